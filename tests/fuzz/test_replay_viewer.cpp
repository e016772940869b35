// Replays the viewer model's kept hostile inputs and seed corpora (text and binary result sets).
#include "replay.h"

TEST(FuzzReplayViewer, TextSetRegressionsEndInTheirMessages)
{
    fuzz::replay_regressions("viewer_text", fuzz_viewer_text);
}

TEST(FuzzReplayViewer, BinarySetRegressionsEndInTheirMessages)
{
    fuzz::replay_regressions("viewer_binary", fuzz_viewer_binary);
}

TEST(FuzzReplayViewer, SeedCorporaRunThrough)
{
    EXPECT_GT(fuzz::replay_corpus("viewer_text", fuzz_viewer_text), 0);
    EXPECT_GT(fuzz::replay_corpus("viewer_binary", fuzz_viewer_binary), 0);
}
