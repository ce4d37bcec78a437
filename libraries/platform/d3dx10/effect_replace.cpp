// Swapping a rebuilt effect's insides into the effect object the program already holds.
#include "effect_p.h"

#include <map>

namespace d3dx10fx {
namespace {

bool SameShape(const VariableData& a, const VariableData& b) {
  return a.typeName == b.typeName && a.base == b.base && a.columns == b.columns && a.rows == b.rows &&
         a.elements == b.elements && a.samplerTarget == b.samplerTarget;
}

template <typename T>
std::unique_ptr<T> TakeByName(std::vector<std::unique_ptr<T>>& list, const std::string& name) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it && (*it)->mName == name) {
      std::unique_ptr<T> taken = std::move(*it);
      list.erase(it);
      return taken;
    }
  }
  return nullptr;
}

// The most recently retired variable of that name and shape: a declaration that comes back
// after a reload without it (or with another type) takes up the object, value and views it had.
std::unique_ptr<Variable> TakeRetired(std::vector<std::unique_ptr<Variable>>& retired, const Variable& fresh) {
  for (auto it = retired.rbegin(); it != retired.rend(); ++it) {
    if (*it && (*it)->mName == fresh.mName && (*it)->mData && SameShape(*(*it)->mData, *fresh.mData)) {
      std::unique_ptr<Variable> taken = std::move(*it);
      retired.erase(std::next(it).base());
      return taken;
    }
  }
  return nullptr;
}

}  // namespace

void ReplaceContents(Effect* target, Effect* source) {
  // Variables: an unchanged declaration keeps the old object, so values set once at load time
  // (textures, constants) survive; programs are pointed at the kept objects. A declaration that
  // was missing or of another type in between gets back the object it had then.
  std::map<Variable*, Variable*> kept;
  std::vector<std::unique_ptr<Variable>> variables;
  for (auto& fresh : source->mVariables) {
    std::unique_ptr<Variable> old = TakeByName(target->mVariables, fresh->mName);
    const bool same = old && old->mData && fresh->mData && SameShape(*old->mData, *fresh->mData);
    if (old && !same) {
      target->mRetiredVariables.push_back(std::move(old));
      old = nullptr;
    }
    if (!old && fresh->mData) old = TakeRetired(target->mRetiredVariables, *fresh);
    if (old) {
      kept[fresh.get()] = old.get();
      variables.push_back(std::move(old));
    } else {
      variables.push_back(std::move(fresh));
    }
  }
  for (auto& gone : target->mVariables) target->mRetiredVariables.push_back(std::move(gone));
  target->mVariables = std::move(variables);

  // Programs: the old ones are deleted, the new ones move over and read the kept variables.
  target->mBackend->DeletePrograms(target->mPrograms);
  target->mPrograms = std::move(source->mPrograms);
  for (auto& program : target->mPrograms) program->TakeVariables(kept);
  target->mSamplerDescs = std::move(source->mSamplerDescs);

  // Techniques and passes by name: the old objects take the new programs and states.
  std::vector<std::unique_ptr<Technique>> techniques;
  for (auto& fresh : source->mTechniques) {
    std::unique_ptr<Technique> old = TakeByName(target->mTechniques, fresh->mName);
    if (!old) {
      fresh->mEffect = target;
      for (auto& pass : fresh->mPasses) pass->mEffect = target;
      techniques.push_back(std::move(fresh));
      continue;
    }
    std::vector<std::unique_ptr<Pass>> passes;
    for (auto& pass : fresh->mPasses) {
      std::unique_ptr<Pass> keep = TakeByName(old->mPasses, pass->mName);
      if (keep) {
        keep->mProgram = pass->mProgram;
        keep->mStates = pass->mStates;
      } else {
        keep = std::move(pass);
        keep->mEffect = target;
      }
      passes.push_back(std::move(keep));
    }
    for (auto& gone : old->mPasses) {
      gone->mEffect = nullptr;  // invalid from now on: its program is gone
      gone->mProgram = nullptr;
      target->mRetiredPasses.push_back(std::move(gone));
    }
    old->mPasses = std::move(passes);
    techniques.push_back(std::move(old));
  }
  for (auto& gone : target->mTechniques) {
    for (auto& pass : gone->mPasses) {
      pass->mEffect = nullptr;
      pass->mProgram = nullptr;
    }
    gone->mEffect = nullptr;
    target->mRetiredTechniques.push_back(std::move(gone));
  }
  target->mTechniques = std::move(techniques);
}

}  // namespace d3dx10fx

bool platform::ReplaceEffectContents(ID3D10Effect* target, ID3D10Effect* source) {
  auto* to = static_cast<d3dx10fx::Effect*>(target);
  auto* from = static_cast<d3dx10fx::Effect*>(source);
  if (!to || !from || to == from || to->mIsPool != from->mIsPool || to->mDevice != from->mDevice ||
      to->mPool != from->mPool)
    return false;
  d3dx10fx::ReplaceContents(to, from);
  return true;
}
