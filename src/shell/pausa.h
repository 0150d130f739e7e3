#pragma once

// The short wait: about 0.1 s during which the program keeps handling its events (repaints,
// clicks), so that a window just shown is painted before a long step blocks. Measured on a
// monotonic clock, so a wait across midnight is no longer than any other.
void Pausa();
