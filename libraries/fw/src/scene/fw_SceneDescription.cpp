// The scene description loader: "scene" / "transforms" / "trans" and "scene" / "cameras" read
// with the property-tree XML reader. A description with problems still loads what it can: each
// problem is a warning naming the file and the element, and the element or value in question
// is skipped or given its default, so a bad file never stops the show.
#include "scene/fw_Scene.h"

#include "diag/fw_Log.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <cctype>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

using boost::property_tree::ptree;

// A decimal float spelled out in full (surrounding white space allowed), finite. Locale-free.
std::optional<float> ParseNumber(std::string_view text) {
  while (!text.empty() && std::isspace((unsigned char)text.front())) text.remove_prefix(1);
  while (!text.empty() && std::isspace((unsigned char)text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  float value = 0.0f;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && std::isspace((unsigned char)text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !std::isspace((unsigned char)text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// Keys in groups of four (time, value, in-tangent, out-tangent). Reading stops at the first
// group that cannot be read completely; what is left over is reported.
std::unique_ptr<fw_TransformCurve> ReadCurve(const std::string& text, const char* path, const std::string& transformName,
                                             const char* attribute) {
  auto curve = std::make_unique<fw_TransformCurve>();
  const std::vector<std::string_view> words = SplitWords(text);
  std::string problem;
  size_t next = 0;
  while (next < words.size() && problem.empty()) {
    if (words.size() - next < 4) {
      const size_t left = words.size() - next;
      problem = std::to_string(left) + (left == 1 ? " number" : " numbers") + " left over";
      break;
    }
    float key[4];
    for (int k = 0; k < 4 && problem.empty(); ++k) {
      const std::optional<float> number = ParseNumber(words[next + k]);
      if (number)
        key[k] = *number;
      else
        problem = "\"" + std::string(words[next + k].substr(0, 40)) + "\" is not a number";  // a stray paste stays one line
    }
    if (!problem.empty()) break;
    curve->insertKey(key[0], key[1], key[2], key[3]);
    next += 4;
  }

  const size_t keys = next / 4;
  if (keys == 0) {
    fw_Log(fw_LogWarning, "Scene description \"%s\": transform \"%s\", attribute \"%s\" has no complete key%s%s%s; the component keeps its default.",
           path, transformName.c_str(), attribute, problem.empty() ? "" : " (", problem.c_str(), problem.empty() ? "" : ")");
    return nullptr;
  }
  if (!problem.empty())
    fw_Log(fw_LogWarning, "Scene description \"%s\": transform \"%s\", attribute \"%s\": %s after %zu complete key%s; the rest is ignored.",
           path, transformName.c_str(), attribute, problem.c_str(), keys, keys == 1 ? "" : "s");
  return curve;
}

float ReadCameraNumber(const ptree& attributes, const char* name, float fallback, const char* path,
                       const std::string& cameraName) {
  const auto text = attributes.get_optional<std::string>(name);
  if (!text) {
    fw_Log(fw_LogWarning, "Scene description \"%s\": camera \"%s\" has no \"%s\" attribute; using %g.", path,
           cameraName.c_str(), name, fallback);
    return fallback;
  }
  const std::optional<float> number = ParseNumber(*text);
  if (!number) {
    fw_Log(fw_LogWarning, "Scene description \"%s\": camera \"%s\", attribute \"%s\": \"%.40s\" is not a number; using %g.",
           path, cameraName.c_str(), name, text->c_str(), fallback);
    return fallback;
  }
  return *number;
}

// A perspective projection needs 0 < vFOV < pi and 0 < nearz < farz; anything else would fill
// the matrix with infinities or flip the depth range.
void CheckProjectionValues(fw_CameraValues* values, const char* path, const std::string& cameraName) {
  const fw_CameraValues defaults;
  if (!(values->vFOV > 0.0f && values->vFOV < 3.1415927f)) {
    fw_Log(fw_LogWarning, "Scene description \"%s\": camera \"%s\": vFOV %g is not between 0 and pi; using %g.", path,
           cameraName.c_str(), values->vFOV, defaults.vFOV);
    values->vFOV = defaults.vFOV;
  }
  if (!(values->nearz > 0.0f && values->farz > values->nearz)) {
    fw_Log(fw_LogWarning, "Scene description \"%s\": camera \"%s\": nearz %g and farz %g do not satisfy 0 < nearz < farz; using %g and %g.",
           path, cameraName.c_str(), values->nearz, values->farz, defaults.nearz, defaults.farz);
    values->nearz = defaults.nearz;
    values->farz = defaults.farz;
  }
}

bool IsElementName(const std::string& key) { return !key.empty() && key.front() != '<'; }

}  // namespace

bool fw_Scene::LoadDescription(int renderWidth, int renderHeight) {
  return LoadDescriptionFile("./data/" + mName, renderWidth, renderHeight);
}

bool fw_Scene::LoadDescriptionFile(const std::string& path, int renderWidth, int renderHeight) {
  return LoadDescriptionFrom(nullptr, path, renderWidth, renderHeight);
}

bool fw_Scene::LoadDescriptionText(const std::string& text, const std::string& path, int renderWidth,
                                   int renderHeight) {
  return LoadDescriptionFrom(&text, path, renderWidth, renderHeight);
}

bool fw_Scene::LoadDescriptionFrom(const std::string* text, const std::string& path, int renderWidth,
                                   int renderHeight) {
  const char* file = path.c_str();

  // Nothing of an earlier description survives: cameras first, as they point at transforms.
  mCameraSet = std::make_unique<fw_CameraSet>();
  mCurveIndex.clear();
  mTransforms.clear();

  float renderAspect = fw_CameraValues().aspect;
  if (renderWidth > 0 && renderHeight > 0)
    renderAspect = (float)renderWidth / (float)renderHeight;
  else
    fw_Log(fw_LogWarning, "Scene description \"%s\": render size %d x %d has no aspect ratio; projecting with %g.", file,
           renderWidth, renderHeight, renderAspect);

  ptree tree;
  try {
    if (text) {
      std::istringstream stream(*text);
      boost::property_tree::read_xml(stream, tree, boost::property_tree::xml_parser::no_comments);
    } else {
      boost::property_tree::read_xml(path, tree, boost::property_tree::xml_parser::no_comments);
    }
  } catch (const std::exception& e) {
    fw_Log(fw_LogWarning, "Scene description \"%s\" could not be read (%s); the scene has no transforms and no cameras.",
           file, e.what());
    return false;
  }

  const auto scene = tree.get_child_optional("scene");
  if (!scene) {
    fw_Log(fw_LogWarning, "Scene description \"%s\" has no \"scene\" element; the scene has no transforms and no cameras.",
           file);
    return false;
  }

  // Transforms come first, so that every camera finds its transform.
  if (const auto transforms = scene->get_child_optional("transforms")) {
    for (const auto& [key, element] : *transforms) {
      if (key != "trans") continue;
      const auto attributes = element.get_child_optional("<xmlattr>");
      if (!attributes) continue;
      const auto name = attributes->get_optional<std::string>("name");
      if (!name || name->empty()) {
        fw_Log(fw_LogWarning, "Scene description \"%s\": a \"trans\" element without a name is skipped.", file);
        continue;
      }

      // A later transform of the same name replaces the earlier one, curves and all.
      for (int c = 0; c < fw_TransformComponentCount; ++c) mCurveIndex.erase(*name + fw_Transform::componentName(c));

      auto transform = std::make_unique<fw_Transform>();
      for (int c = 0; c < fw_TransformComponentCount; ++c) {
        const char* component = fw_Transform::componentName(c);
        const auto text = attributes->get_optional<std::string>(component);
        if (!text) {
          fw_Log(fw_LogWarning, "Scene description \"%s\": transform \"%s\" has no \"%s\" attribute; the component keeps its default.",
                 file, name->c_str(), component);
          continue;
        }
        std::unique_ptr<fw_TransformCurve> curve = ReadCurve(*text, file, *name, component);
        if (!curve) continue;
        curve->evaluate(0.0f);
        mCurveIndex[*name + component] = curve.get();
        transform->setCurve(c, std::move(curve));
      }
      transform->rebuildMatrices();
      mTransforms[*name] = std::move(transform);
    }
  }

  if (const auto cameras = scene->get_child_optional("cameras")) {
    for (const auto& [key, element] : *cameras) {
      if (!IsElementName(key)) continue;
      const auto attributes = element.get_child_optional("<xmlattr>");
      if (!attributes) continue;
      const auto name = attributes->get_optional<std::string>("name");
      if (!name || name->empty()) {
        fw_Log(fw_LogWarning, "Scene description \"%s\": camera element <%s> without a name is skipped.", file,
               key.c_str());
        continue;
      }

      const fw_CameraValues defaults;
      fw_CameraValues values;
      values.nearz = ReadCameraNumber(*attributes, "nearz", defaults.nearz, file, *name);
      values.farz = ReadCameraNumber(*attributes, "farz", defaults.farz, file, *name);
      values.nearfocus = ReadCameraNumber(*attributes, "nearfocus", defaults.nearfocus, file, *name);
      values.farfocus = ReadCameraNumber(*attributes, "farfocus", defaults.farfocus, file, *name);
      values.vFOV = ReadCameraNumber(*attributes, "vFOV", defaults.vFOV, file, *name);
      values.aspect = ReadCameraNumber(*attributes, "aspect", defaults.aspect, file, *name);
      CheckProjectionValues(&values, file, *name);

      fw_Transform* transform = findTransform(*name);
      if (!transform)
        fw_Log(fw_LogWarning, "Scene description \"%s\": camera \"%s\" has no transform of that name; its view stays fixed.",
               file, name->c_str());
      auto camera = std::make_unique<fw_Camera>(transform, renderAspect);
      camera->setValues(values);
      camera->computeProjection(renderAspect);
      mCameraSet->add(*name, std::move(camera));
    }
  }
  return true;
}
