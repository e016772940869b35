// Replays tarnel's kept hostile inputs and seed corpora (layer description, command line).
#include "replay.h"

TEST(FuzzReplayTarnel, DescriptionRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("tarnel_description", fuzz_tarnel_description), 0);
}

TEST(FuzzReplayTarnel, CommandLineRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("tarnel_cmdline", fuzz_tarnel_cmdline), 0);
}

TEST(FuzzReplayTarnel, SeedCorporaRunThrough)
{
    EXPECT_GT(fuzz::replay_corpus("tarnel_description", fuzz_tarnel_description), 0);
    EXPECT_GT(fuzz::replay_corpus("tarnel_cmdline", fuzz_tarnel_cmdline), 0);
}
