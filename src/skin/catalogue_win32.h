// The brand and skin catalogue.
#pragma once

void BuildCatalogue();
