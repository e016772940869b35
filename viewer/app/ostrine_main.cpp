// ostrine: the results viewer. Reads -F base and -U mode, creates the windows, runs the loop.
#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Post3DForm.h"
#include "fem3d.h"
#include "message_box.h"
#include "pavement_version.h"

int main(int argc, char **argv)
{
    // --version and --help answer before any window (or display) is needed
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ostrine %s\n", PAVEMENT_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(
                "usage: ostrine [-F base] [-U 1|2]\n"
                "  -F base    load the result set base.pin, .out, .dwi, .dwo, .dyn at start\n"
                "  -U 1|2     1: the files hold kgf-cm values, 2: SI values (else asked)\n"
                "  --version  print the version\n"
                "  --help     print this list\n",
                stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Result files and dialog fields use '.' as the decimal mark whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    // The shell has already split the command line: each argument is one token, so a base
    // name may contain spaces. Empty arguments are skipped and at most 50 are read.
    std::vector<std::string> tokens;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size() && tokens.size() < 50; ++i)
        if (!args[i].isEmpty()) tokens.push_back(args[i].toLocal8Bit().toStdString());
    command_options options;
    try {
        options = parse_command_line(tokens);
    } catch (const field_error &e) {
        // A -U value that is not an integer ends the program before any window is made.
        std::fprintf(stderr, "ostrine: %s\n", e.what());
        show_field_error(nullptr, e);
        return 1;
    }

    static FEMg3D model; // the one result model of the run
    TPost3DForm form(model, options);
    form.show();
    return app.exec();
}
