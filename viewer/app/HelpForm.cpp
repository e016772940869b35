// Help > Guide: the viewer's commands in one page, written for an engineer who opens a result
// set for the first time.
#include "HelpForm.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpForm::THelpForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("ostrine guide"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("GuideText"));
    text->setOpenLinks(false);
    text->setHtml(guide_html());
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 620);
}

QString THelpForm::guide_html()
{
    return QStringLiteral(
        "<h2>ostrine: results of a pavement analysis</h2>"
        "<p>ostrine shows the files corvane wrote for a model: displacements and stresses at the "
        "nodes (<i>base</i>.out), the dowel bars' forces (<i>base</i>.dwo) and, when the solver "
        "was asked for them, each material's own stresses (<i>base</i>.mst).</p>"

        "<h3>Opening results</h3>"
        "<p><b>File &gt; Open</b> (Ctrl+O) asks for the base name of the files and for their "
        "units. The files carry no units of their own: answer <b>kgf-cm</b> for models written "
        "in kg, cm and kgf/cm&sup2;, <b>SI</b> for metres and MPa. The units assumed are shown "
        "at the right end of the status bar (<i>Files: SI</i> or <i>Files: kgf-cm</i>); "
        "<i>(assumed)</i> means nobody said which, and the viewer judged from the slab's "
        "modulus. <b>Option &gt; Unit</b> chooses the units the values are <i>shown</i> in.</p>"

        "<h3>Pictures</h3>"
        "<ul>"
        "<li><b>Graph &gt; Mesh</b> (Ctrl+M) and <b>Deformed</b> (Ctrl+D): the elements, coloured "
        "by material; the key names each material and its modulus.</li>"
        "<li><b>Graph &gt; Contour</b>: a displacement or stress component in 20 bands. The "
        "circles mark the nodes of the largest and smallest value; the key lists both.</li>"
        "<li><b>Graph &gt; Principal Stress</b>: bars along the principal directions, tension "
        "dark blue, compression red; the key shows the bar length of a round stress.</li>"
        "<li><b>Graph &gt; Dowels</b>: the bending or shear stress along each bar"
        "; the key gives the largest value and the diagram's scale.</li>"
        "</ul>"
        "<p><b>Option &gt; Legend</b> (Ctrl+K) puts the key in a panel at the right; the model "
        "is fitted to the room left of it. The small axes at the foot of the key show where x, "
        "y and z point: an axis that points at you is drawn as a circle with a dot, one that "
        "points away as a circle with a cross.</p>"

        "<h3>Moving the picture</h3>"
        "<table cellpadding='3'>"
        "<tr><td>Drag with the left button</td><td>rotate (the View dialog's theta and "
        "phi)</td></tr>"
        "<tr><td>Wheel</td><td>zoom toward the cursor</td></tr>"
        "<tr><td>Shift + drag, or middle button</td><td>pan</td></tr>"
        "<tr><td>Double-click</td><td>fit the model to the picture</td></tr>"
        "</table>"
        "<p><b>Option &gt; View</b> sets the same view by numbers and has the preset views "
        "(plan, elevations, isometric). <b>Option &gt; Range</b> limits the picture to a box, "
        "<b>Option &gt; Scale</b> sets the displacement and stress scales.</p>"

        "<h3>Numbers</h3>"
        "<p><b>Data &gt; List</b> lists nodal results on planes or along a line (Execute or "
        "Enter); Save writes the list to a file. "
        "<b>Data &gt; Dowel</b> lists each dowel bar's forces. <b>Option &gt; Fatigue</b> sets "
        "the flexural strength and repetitions of the fatigue index FI.</p>"

        "<h3>Keys</h3>"
        "<table cellpadding='3'>"
        "<tr><td>Ctrl+O</td><td>Open</td></tr>"
        "<tr><td>Ctrl+E</td><td>Export VTK</td></tr>"
        "<tr><td>Ctrl+S</td><td>Save the picture as a bitmap</td></tr>"
        "<tr><td>Ctrl+M / Ctrl+D</td><td>Mesh / Deformed</td></tr>"
        "<tr><td>Ctrl+L</td><td>Data &gt; List</td></tr>"
        "<tr><td>Ctrl+R</td><td>Option &gt; Range</td></tr>"
        "<tr><td>Ctrl+K</td><td>Legend on or off</td></tr>"
        "<tr><td>F1</td><td>this guide</td></tr>"
        "<tr><td>Esc</td><td>close the window in front (lists, dialogs, this guide)</td></tr>"
        "<tr><td>Ctrl+Q</td><td>Exit</td></tr>"
        "</table>"
        "<p>Every menu command says what it does in the status bar while the mouse is on "
        "it. <b>Help &gt; Guide</b> shows this page, <b>Help &gt; About</b> the version.</p>"
        "<p>From the command line, <tt>ostrine-batch</tt> draws the same pictures, writes the "
        "lists, VTK files and the engineering report (see its <tt>--help</tt>).</p>");
}
