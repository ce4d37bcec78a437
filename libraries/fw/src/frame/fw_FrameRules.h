// The decisions one frame tick takes from the two framework tracks, "GotoRow" and "Scene",
// and the render skip rule: pure functions, so the tick's choices can be checked alone.
#pragma once

#include <cstdint>

enum class fw_GotoRowAction { None, EndShow, Seek };

// v < 0 (and a value that is not a number): nothing; exactly 0: the show is over; above 0: seek.
fw_GotoRowAction fw_GotoRowDecision(float value);

// Integer part of the value (toward zero) as a 64-bit number, its low 32 bits unsigned, modulo
// the scene count. A count of 0 gives 0; a value with no integer meaning (NaN, infinite, past
// the 64-bit range) counts as 0.
uint32_t fw_SceneIndexFromTrack(float value, uint32_t sceneCount);

// True when this render call is one of the first three, which draw nothing. Advances the counter.
bool fw_SkipRender(uint32_t* renderSkipCounter);
