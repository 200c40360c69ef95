// The characters' names by voice set, each written once for every list that offers a voice (the
// skin dialog's voice list, the alarm sound choices). ANSI code page text in the Windows build.
#pragma once

#define VOICE_SET_NAME_A "タルボ"    // cheerful and friendly
#define VOICE_SET_NAME_B "ペリン"    // cool and polite
#define VOICE_SET_NAME_C "クオラ"    // sleepy and gentle
#define VOICE_SET_NAME_D "ビムジー"  // energetic tomboy
