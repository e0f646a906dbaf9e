// A large school with ten years of books, written fast: the fee database is
// created and its catalogue, operators and settings written by the program's
// own code, then the history goes in by prepared statements in one
// transaction (about a million fee records a minute), which the demo
// generator, booking row by row through the module's data layer, would take
// an hour and a half for.
#pragma once
#include <string>

namespace fo::bench {

struct BulkOptions {
    // Students attending at any time; each stays three school years, a new
    // third arrives every September.
    int attending = 8000;
    unsigned seed = 7;
    // The first school year of the books (from its September); a later one
    // makes a school of the same size with a shorter history.
    int firstYear = 2016;
};

// What was written.
struct BulkSummary {
    long students = 0, feeRecords = 0, receipts = 0, arrearsRows = 0;
};

// Writes the school at `path` (which must not exist): school years from
// September of the first year (2016), months up to November 2026 carried over, December 2026
// open with its first six days booked. Every attending student is charged
// once a month (a receipt with its items, a cash-journal row), some get
// reductions, some charges are voided with their mirror booked, and some
// months leave arrears that the next month's charge settles or that stay
// open. Statistics are gathered at the end, as the program does after a
// carry-over.
BulkSummary writeBulkSchool(const std::string& path, const BulkOptions& options);

// The database for `options`, generated once into `cacheDir` and reused:
// the cached file carries the generator's version and the options in its
// name, so a changed generator writes a new one; one of an older schema is
// upgraded when it is found, as the program upgrades a database it opens.
std::string cachedBulkSchool(const std::string& cacheDir, const BulkOptions& options);

}  // namespace fo::bench
