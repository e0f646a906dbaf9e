#pragma once
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "reliability/ClerkProcess.h"
#include "support/Query.h"
#include "support/TempDir.h"

namespace fo::test {

// A demo fee office of its own on the engine of the parameter, with the
// reference host on it: the books that the checks and the reports read.
class DemoBooksTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

// A demo fee office of its own on the engine and in the dialect of the
// parameter, with clerk programs started on it.
class ReliabilityTest : public ::testing::TestWithParam<EngineDialect> {
protected:
    void SetUp() override { locator = booksEngines()[std::get<0>(GetParam())].demoOffice(dir); }
    int dialect() const { return std::get<1>(GetParam()); }

    // A clerk program named `name` on these books.
    std::unique_ptr<ClerkProcess> startClerk(const std::string& name, std::vector<std::string> args) {
        std::vector<std::string> all{"--db", locator, "--dialect", std::to_string(dialect()), "--name", name,
                                     "--settings", dir.file("settings-" + name)};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<ClerkProcess>(all, dir.file(name + ".out"));
    }
    // The barrier the clerks wait at, and its opening.
    std::string barrier() const { return dir.file("go"); }
    void openBarrier() const { std::ofstream(barrier()) << "go\n"; }

    // The books, read through a session of their own.
    Connection& books() {
        if (!cn_) cn_ = ReferenceHost(locator).pGetCN();
        return *cn_;
    }
    // Every row of a query on the books, field by field.
    std::vector<std::vector<std::string>> query(const std::string& sql) { return fieldRows(books(), sql); }
    // The first field of the first row ("" when there is none), and the
    // first field of every row.
    std::string one(const std::string& sql) { return scalar(books(), sql).toText(); }
    std::vector<std::string> column(const std::string& sql) { return firstColumn(books(), sql); }

    TempDir dir;
    std::string locator;

private:
    ConnectionPtr cn_;
};

}  // namespace fo::test
