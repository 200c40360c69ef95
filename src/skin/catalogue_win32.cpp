// Skin catalogue. No skins are built in yet; the placeholder face needs none.
#include "skin/catalogue_win32.h"

void BuildCatalogue() {}
