// Replays the kept hostile inputs and the seed corpus of each harness of one harness source
// (the table FUZZ_TABLE, made from harnesses.txt): every regression input must end in its
// message, every corpus input must run through.
#include "replay.h"

namespace
{

struct harness {
    const char *name;
    fuzz::harness_body body;
};

#define FUZZ_ENTRY(n) {#n, fuzz_##n},
const harness harnesses[] = {
#include FUZZ_TABLE
};
#undef FUZZ_ENTRY

class FuzzReplay : public testing::TestWithParam<harness>
{
};

} // namespace

TEST_P(FuzzReplay, RegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions(GetParam().name, GetParam().body), 0);
}

TEST_P(FuzzReplay, SeedCorpusRunsThrough)
{
    EXPECT_GT(fuzz::replay_corpus(GetParam().name, GetParam().body), 0);
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzReplay, testing::ValuesIn(harnesses),
                         [](const testing::TestParamInfo<harness> &i) { return i.param.name; });
