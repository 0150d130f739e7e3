#pragma once

// The short wait: about 0.1 s during which the program keeps handling its events (repaints,
// timers), so that a window just shown is painted before a long step blocks. Keys and clicks
// wait until it ends: one pressed meanwhile cannot start a second run of the step under way.
// Measured on a monotonic clock, so a wait across midnight is no longer than any other.
void Pausa();
