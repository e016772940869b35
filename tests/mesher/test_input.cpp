// Tests of the generator's command line and of the layer description reader and its checks.
#include "mesher_test_util.h"

#include <filesystem>
#include <sys/stat.h>

using namespace mesher_test;

namespace
{

// A 2 x 1 x 1 slab with one downward load over its left half.
std::string slab_description()
{
    return "1 1\n" + layer_text("0 10 20", "0 10", "0 -5", "0 0", "0", {solid(1000)}) +
           "0 0 10 10 0 0 1\n";
}

bool only_model_in(const std::string &dir, const std::string &name)
{
    for (const auto &e : std::filesystem::directory_iterator(dir)) {
        const std::string f = e.path().filename().string();
        if (f != name && f != "in.txt") return false;
    }
    return true;
}

} // namespace

TEST(TarnelOptions, LowerCaseLettersActLikeUpperCase)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt", slab_description());
    const run_result upper =
        run_args({"-I", dir + "/in.txt", "-O", dir + "/a.pin", "-X", "2", "-J", "0.5", "-B", "1"});
    const run_result lower =
        run_args({"-i", dir + "/in.txt", "-o", dir + "/b.pin", "-x", "2", "-j", "0.5", "-b", "1"});
    ASSERT_EQ(upper.status, 0) << upper.err;
    ASSERT_EQ(lower.status, 0) << lower.err;
    EXPECT_EQ(read_text(dir + "/a.pin"), read_text(dir + "/b.pin"));
    EXPECT_EQ(parse_model(read_text(dir + "/a.pin")).ne, 4); // x subdivided in two
}

TEST(TarnelOptions, FlagWithoutValueFirstAndTwoValuedC)
{
    tarnel_options opt;
    std::vector<std::string> words = {"tarnel", "-W", "-C",  "12",   "300000", "-I", "in",
                                      "-q",     "-O", "out", "rest", "-U",     "7"};
    std::vector<char *> argv;
    for (auto &w : words) argv.push_back(w.data());
    FILE *sink = std::tmpfile();
    EXPECT_EQ(parse_options(static_cast<int>(argv.size()), argv.data(), opt, sink, sink), -1);
    std::fclose(sink);
    EXPECT_TRUE(opt.face_mode);
    EXPECT_EQ(opt.release_sides, 12);
    EXPECT_EQ(opt.release_modulus, 300000.0f);
    EXPECT_EQ(opt.in_name, "in");
    EXPECT_EQ(opt.out_name, "out");
    EXPECT_EQ(opt.unit_code, 0); // the scan ended at "rest"
}

TEST(TarnelOptions, RefusedCommandLines)
{
    const run_result none = run_args({"-X", "2"});
    EXPECT_EQ(none.status, 999);
    EXPECT_EQ(none.out, "\n Check arguments for file name!!");

    const run_result unit = run_args({"-I", "a", "-O", "b", "-U", "3"});
    EXPECT_EQ(unit.status, 1);
    EXPECT_NE(unit.err.find("-U must be 0, 1 or 2"), std::string::npos);

    const run_result sub = run_args({"-I", "a", "-O", "b", "-Y", "0"});
    EXPECT_EQ(sub.status, 1);
    EXPECT_NE(sub.err.find("-Y must be at least 1"), std::string::npos);

    const run_result missing = run_args({"-I", "a", "-O"});
    EXPECT_EQ(missing.status, 1);

    const run_result longname = run_args({"-I", std::string(256, 'n'), "-O", "b"});
    EXPECT_EQ(longname.status, 1);
    EXPECT_NE(longname.err.find("longer than 255"), std::string::npos);
}

TEST(TarnelOptions, UnopenableFiles)
{
    const std::string dir = scratch_dir();
    const run_result in = run_args({"-I", dir + "/absent.txt", "-O", dir + "/m.pin"});
    EXPECT_EQ(in.status, 1);
    EXPECT_EQ(in.err, "File(" + dir + "/absent.txt) can not be opened");
    write_text(dir + "/in.txt", slab_description());
    const run_result out = run_args({"-I", dir + "/in.txt", "-O", dir + "/no/such/dir.pin"});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.err, "File(" + dir + "/no/such/dir.pin) can not be opened");
}

TEST(TarnelInput, RepeatedCoordinatePassesAndMessagesOnTheRightStreams)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt",
               "1 0\n" + layer_text("0 10 10 20", "0 10", "0 -5", "0 0 0", "0", {solid(1000)}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Layer No.  0\n");
    EXPECT_EQ(r.out, "Infile [" + dir + "/in.txt], Otfile [" + dir +
                         "/m.pin]\n\nProcess status::Making element and node data\n"
                         "\t--Processing layer No.[ 1]\n"
                         "Process status::Making boundary data\n"
                         "\nProcess status::Rearranging nodes\n"
                         "Process status::Making load data\n"
                         "Process status::Outputting FEM data\n");
    const model m = parse_model(read_text(dir + "/m.pin"));
    ASSERT_TRUE(m.complete);
    EXPECT_EQ(m.ne, 3); // two slabs and the zero-width joint cell between them
}

TEST(TarnelInput, AscendingZIsRefusedWithOneLinePerPairAndNoModelFile)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt",
               "1 0\n" + layer_text("1 0", "0 10", "-20 -10 0", "0", "0", {solid(1000)}));
    const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
    EXPECT_EQ(r.status, 1);
    const std::string expected = "Not sorted X-cood. [1.000000]>[0.000000]\n"
                                 "Not sorted Z-cood. [-20.000000]<[-10.000000]\n"
                                 "Not sorted Z-cood. [-10.000000]<[0.000000]\n"
                                 "Illigal input and stop the program\n";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Process status"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/m.pin"));
    EXPECT_TRUE(only_model_in(dir, "m.pin")); // no temporary left behind
}

TEST(TarnelInput, MalformedOrTruncatedDescriptionsNameLayerAndField)
{
    const std::string dir = scratch_dir();
    const std::string good = layer_text("0 10", "0 10", "0 -5", "0", "0", {solid(1000)});
    struct bad_case {
        std::string text, message;
    } cases[] = {
        {"", "cannot read the number of layers"},
        {"0 0\n", "the description has no layer"},
        {"1 -1\n" + good, "the number of loads is -1"},
        {"2 0\n" + good + "1 1 1 1 0 10 0 x0 0 -5 0 0 " + solid(1),
         "layer 1: cannot read y coordinate 1"},
        {"1 0\n1 1 0 1\n", "layer 0: nz is 0"},
        {"1 0\n1 1.5 1 1\n", "layer 0: cannot read ny (missing or not an integer)"},
        {"1 0\n1 1 1 1 0 10,5 0 10 0 -5 0 0 " + solid(1), "layer 0: cannot read x coordinate 1"},
        {"1 0\n1 1 1 1 0 10 0 10 0 -5 0 0 1000 0.2 0", "layer 0: cannot read material 0 entry 3"},
        {"1 0\n1 1 1 1 0 10 0 10 0 -5 0 zero", "layer 0: cannot read y interval type 0"},
        {"1 0\n1 1 1 1 0 inf 0 10 0 -5 0 0 " + solid(1), "layer 0: x coordinate 1 is not a finite"},
        {"1 1\n" + good + "0 0 5 5 0 0", "load 0: cannot read tz"},
        {"1 0\n" + layer_text("0 10 20", "0 10", "0 -5", "0 1", "1", {solid(1), solid(2)}),
         "layer 0: x interval 1 (type 1) and y interval 0 (type 1) select material 2, but the "
         "layer has materials 0 to 1"},
        {"1 0\n" + layer_text("0 10", "0 10", "0 -5", "0", "0", {solid(0)}),
         "the description makes no element"},
        {"1 0\n" + layer_text("0 10 20", "0 10", "0 -5", "-1 0", "0", {solid(1)}),
         "layer 0: x interval 0 (type -1) and y interval 0 (type 0) select material -1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::remove(dir + "/m.pin");
        write_text(dir + "/in.txt", c.text);
        const run_result r = run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("tarnel: " + dir + "/in.txt: " + c.message), std::string::npos)
            << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir + "/m.pin"));
        EXPECT_TRUE(only_model_in(dir, "m.pin"));
    }
}

TEST(TarnelInput, RefusedRunLeavesAnEarlierModelUntouched)
{
    const std::string dir = scratch_dir();
    write_text(dir + "/m.pin", "earlier model\n");
    write_text(dir + "/in.txt", "1 0\n1 1 1 1 0 10 0 10");
    EXPECT_EQ(run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"}).status, 1);
    EXPECT_EQ(read_text(dir + "/m.pin"), "earlier model\n");
}

TEST(TarnelInput, ModelFileGetsTheUsualPermissions)
{
    // written through a private temporary file, the model must still be readable like any
    // file the user creates (mode 0666 less the umask)
    const std::string dir = scratch_dir();
    write_text(dir + "/in.txt", slab_description());
    ASSERT_EQ(run_args({"-I", dir + "/in.txt", "-O", dir + "/m.pin"}).status, 0);
    const mode_t mask = umask(0);
    umask(mask);
    const auto perms = std::filesystem::status(dir + "/m.pin").permissions();
    EXPECT_EQ(static_cast<unsigned>(perms) & 0777u, 0666u & ~static_cast<unsigned>(mask));
}
