// The 256 x 256 results, fingerprinted: every run must give the digests in
// the committed list. GLOAMERY_WRITE_DIGESTS=1 rewrites the list instead
// (only ever from a main whose results are known to be right).

#include "golden_runs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

using namespace gloamery::testing;

namespace {

std::vector<RunDigest> computed()
{
    std::vector<RunDigest> runs;
    goldenRuns([&](const RunDigest& r) { runs.push_back(r); });
    return runs;
}

} // namespace

TEST(GoldenDigests, EveryRunAt256MatchesTheCommittedList)
{
    const std::vector<RunDigest> runs = computed();
    if (const char* w = std::getenv("GLOAMERY_WRITE_DIGESTS"); w && *w == '1') {
        std::ofstream f(GLOAMERY_DIGEST_FILE);
        for (const RunDigest& r : runs) f << r.name << '\t' << r.digest << '\n';
        ASSERT_TRUE(f.good()) << "cannot write " << GLOAMERY_DIGEST_FILE;
        return;
    }
    std::ifstream f(GLOAMERY_DIGEST_FILE);
    ASSERT_TRUE(f.good()) << "cannot read " << GLOAMERY_DIGEST_FILE;
    std::vector<RunDigest> expected;
    for (std::string line; std::getline(f, line);) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << "malformed line: " << line;
        expected.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    ASSERT_EQ(runs.size(), expected.size()) << "the number of runs changed";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        ASSERT_EQ(runs[i].name, expected[i].name) << "run " << i << " is another run";
        ASSERT_EQ(runs[i].digest, expected[i].digest) << "first run that differs: #" << i << " " << runs[i].name;
    }
}
