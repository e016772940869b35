// Replays the post-processing reader's kept hostile inputs and seed corpus.
#include "replay.h"

TEST(FuzzReplayPost, ResultSetRegressionsEndInTheirMessages)
{
    EXPECT_GT(fuzz::replay_regressions("post_result_set", fuzz_post_result_set), 0);
}

TEST(FuzzReplayPost, SeedCorpusRunsThrough)
{
    EXPECT_GT(fuzz::replay_corpus("post_result_set", fuzz_post_result_set), 0);
}
