#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Loads data as a program and as a bank chunk into plug-ins with one and with three
// preset slots and checks what must hold for any bytes: the answer is 0 or 1, every
// parameter stays in its range, every slot name is terminated within its field, and after
// a successful load saving, loading that save and saving again gives the same bytes.
// Returns false (and the reason in *why when given) on the first violation.
bool CheckStateLoad(const uint8_t* data, size_t size, const char** why = nullptr);

// Valid chunks to mutate: programs, banks of one and three slots, header-less blocks and
// a bank of an older version.
std::vector<std::vector<uint8_t>> StateLoadSeeds();
