// Playing the built-in voice clips and sound effects from memory.
#pragma once

// Stops the clip that is playing, if any, and frees its buffer.
void StopClip();
