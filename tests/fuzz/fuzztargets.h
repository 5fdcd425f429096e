#pragma once

#include <cstddef>
#include <cstdint>

// One fuzz target per parser that a register's replies or a file can reach.
// Each takes arbitrary bytes and answers false when the parser broke one of
// its promises (checked against a plain reading of the format, or by reading
// back what was written); crashes, hangs and sanitizer reports are the other
// findings. libFuzzer runs them at length (scripts/fuzz.sh), the test suite
// briefly over their seed corpora (tst_fuzzcorpus).
namespace FuzzTargets {

bool frame(const uint8_t *data, std::size_t size);
bool taggedRecords(const uint8_t *data, std::size_t size);
bool directory(const uint8_t *data, std::size_t size);
bool discovery(const uint8_t *data, std::size_t size);
bool paramFile(const uint8_t *data, std::size_t size);
bool goodsImage(const uint8_t *data, std::size_t size);
bool goodsCsv(const uint8_t *data, std::size_t size);
bool params(const uint8_t *data, std::size_t size);

struct Target
{
    const char *name; // also the folder of its seed corpus
    bool (*run)(const uint8_t *data, std::size_t size);
    std::size_t maxLength; // what libFuzzer and the bounded driver feed it
    // Mutated inputs of the bounded driver.
    int boundedRuns;
};

// clang-format off
constexpr Target All[] = {
    { "frame",         frame,         2200,  4000 },
    { "taggedrecords", taggedRecords, 1024,  4000 },
    { "directory",     directory,     300,   4000 },
    { "discovery",     discovery,     256,   4000 },
    { "paramfile",     paramFile,     16384, 4000 },
    { "goodsimage",    goodsImage,    2048,  4000 },
    { "goodscsv",      goodsCsv,      4096,  4000 },
    { "params",        params,        12000, 1000 },
};
// clang-format on

} // namespace FuzzTargets
