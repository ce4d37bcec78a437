// Stand-ins for an effect's technique and variables when there is no effect at all (a file that
// did not load): every call fails and changes nothing, exactly like the invalid objects an effect
// hands out for unknown names, so owners can use them without a check.
#pragma once

#include <platform/d3dx10effect.h>

ID3D10EffectTechnique* fw_InvalidTechnique();
ID3D10EffectVariable* fw_InvalidVariable();
