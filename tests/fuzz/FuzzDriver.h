#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

// Each target defines this, as libFuzzer expects; it must neither crash nor hang on any input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// Without libFuzzer: runs the target over the seeds, then over random mutations of them
// (flips, inserts, deletions, cuts, splices), the same ones on every run, until `runs` inputs
// or `seconds` have gone by. "--runs N" and "--seconds S" change the bounds.
int runFuzzDriver(int argc, char **argv, const std::vector<QByteArray> &seeds);
