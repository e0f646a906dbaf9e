#pragma once
#include <fstream>
#include <functional>
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
// parameter, with clerk processes started on it.
class ReliabilityTest : public ::testing::TestWithParam<EngineDialect> {
protected:
    void SetUp() override { locator = booksEngines()[std::get<0>(GetParam())].demoOffice(dir); }
    int dialect() const { return std::get<1>(GetParam()); }

    // A clerk named `name` working on these books in a process of his own:
    // `work`, done by a clerk of `seed` on an office of his own.
    std::unique_ptr<ClerkProcess> startClerk(const std::string& name, const std::function<void(Clerk&)>& work,
                                             std::uint64_t seed = 1, bool mistakes = true) {
        cn_.reset();  // no session of the parent's goes into the child
        const std::string settings = dir.file("settings-" + name);
        return std::make_unique<ClerkProcess>([=, this] {
            ClerkOffice office(locator, dialect(), settings);
            Clerk clerk(office, seed);
            clerk.setMistakes(mistakes);
            work(clerk);
        }, dir.file(name + ".out"));
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
