#pragma once

// The reader copies names into fixed buffers with strncpy and terminates them
// itself; GCC's truncation warning about that fires where it is inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#endif
#include <libfccp/csv.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// The project's CSV dialect for reading: Separator (";") between fields,
// fields in double quotes with doubled quotes inside, blanks (spaces only)
// trimmed around fields, integers that must fit their type.
template<unsigned ColumnCount, char Separator = ';'>
using CsvReader = io::CSVReader<ColumnCount, io::trim_chars<' '>, io::double_quote_escape<Separator, '"'>>;
template<unsigned ColumnCount> using SemicolonCsvReader = CsvReader<ColumnCount, ';'>;
