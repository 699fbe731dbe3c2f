// Numbers written as texts in a package catalog. Leading white space is
// skipped and digits are read up to the first character that is not one; a
// sign is not a digit, so "+2" and "-470" read as 0. No digits give 0; a value
// beyond 32 bits reads as the largest 32-bit value.
#pragma once

#include <cstdint>

// A decimal number ("Catalog version").
uint32_t ReadCatalogDecimal(const char *text);

// A number whose base follows its prefix: hexadecimal after 0x, octal after a
// leading 0, decimal otherwise ("Terminal type").
uint32_t ReadCatalogNumber(const char *text);
