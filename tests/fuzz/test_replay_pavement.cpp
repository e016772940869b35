// Replays the pavement description reader's kept hostile inputs and seed corpus.
#include "replay.h"

TEST(FuzzReplayPavement, DescriptionRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("pavement_description", fuzz_pavement_description), 0);
}

TEST(FuzzReplayPavement, SeedCorpusRunsThrough)
{
    EXPECT_GT(fuzz::replay_corpus("pavement_description", fuzz_pavement_description), 0);
}
