// Replays corvane's kept hostile inputs and seed corpora (model, dowel, case, command line).
#include "replay.h"

TEST(FuzzReplayCorvane, ModelRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("corvane_model", fuzz_corvane_model), 0);
}

TEST(FuzzReplayCorvane, DowelRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("corvane_dowel", fuzz_corvane_dowel), 0);
}

TEST(FuzzReplayCorvane, CaseRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("corvane_case", fuzz_corvane_case), 0);
}

TEST(FuzzReplayCorvane, CommandLineRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("corvane_cmdline", fuzz_corvane_cmdline), 0);
}

TEST(FuzzReplayCorvane, SeedCorporaRunThrough)
{
    EXPECT_GT(fuzz::replay_corpus("corvane_model", fuzz_corvane_model), 0);
    EXPECT_GT(fuzz::replay_corpus("corvane_dowel", fuzz_corvane_dowel), 0);
    EXPECT_GT(fuzz::replay_corpus("corvane_case", fuzz_corvane_case), 0);
    EXPECT_GT(fuzz::replay_corpus("corvane_cmdline", fuzz_corvane_cmdline), 0);
}
