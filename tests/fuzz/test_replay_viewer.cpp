// Replays the viewer model's kept hostile inputs and seed corpora (text and binary result sets,
// the command lines of ostrine and ostrine-batch).
#include "replay.h"

TEST(FuzzReplayViewer, TextSetRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("viewer_text", fuzz_viewer_text), 0);
}

TEST(FuzzReplayViewer, BinarySetRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("viewer_binary", fuzz_viewer_binary), 0);
}

TEST(FuzzReplayViewer, CommandLineRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("ostrine_cmdline", fuzz_ostrine_cmdline), 0);
    EXPECT_GT(fuzz::replay_regressions("batch_cmdline", fuzz_batch_cmdline), 0);
}

TEST(FuzzReplayViewer, SeedCorporaRunThrough)
{
    EXPECT_GT(fuzz::replay_corpus("viewer_text", fuzz_viewer_text), 0);
    EXPECT_GT(fuzz::replay_corpus("viewer_binary", fuzz_viewer_binary), 0);
    EXPECT_GT(fuzz::replay_corpus("ostrine_cmdline", fuzz_ostrine_cmdline), 0);
    EXPECT_GT(fuzz::replay_corpus("batch_cmdline", fuzz_batch_cmdline), 0);
}
