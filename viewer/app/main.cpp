// ostrine: the results viewer. Reads -F base and -U mode, creates the windows, runs the loop.
#include <QApplication>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "Main.h"
#include "fem3d.h"
#include "message_box.h"

int main(int argc, char **argv)
{
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
