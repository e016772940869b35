// Tables of a report written as Markdown, HTML or CSV (one value per cell), and figures beside
// them: shared by the engineering report and the design check's damage report.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// One cell: a text, or a number written with fmt (NaN: "-", in CSV an empty cell).
struct cell {
    std::string text;
    double value = 0;
    bool number = false;
    const char *fmt = "%.4g";
};

cell txt(const std::string &s);
cell num(double v, const char *fmt = "%.4g");

struct table {
    std::string title;
    std::string note; // a sentence under the title (formulas, conventions)
    std::vector<std::string> head;
    std::vector<std::vector<cell>> rows;
};

enum class report_format { md, html, csv };

// The format a file name asks for; false when it ends in none of .md, .html, .htm, .csv.
bool format_of(const std::string &path, report_format &fm);

std::string cell_text(const cell &c, bool csv);
std::string html_escape(const std::string &s);
// Appends printf-formatted text of any length to `to` (labels and point lists have no bound).
void append_format(std::string &to, const char *format, ...) __attribute__((format(printf, 2, 3)));
std::string md_escape(const std::string &s);

// Writes the table; every row written with the header's number of cells.
void write_table(std::FILE *f, const table &t, report_format fm);
// A figure (file name relative to the report) under a heading; nothing in CSV.
void write_figure(std::FILE *f, report_format fm, const std::string &title,
                  const std::string &file);
// The document's start (title) and end, as the format has them.
void write_document_start(std::FILE *f, report_format fm, const std::string &title);
void write_document_end(std::FILE *f, report_format fm);
// A paragraph of text (a warning in bold when warning); nothing in CSV.
void write_paragraph(std::FILE *f, report_format fm, const std::string &text, bool warning = false);
// A titled block of text kept as it is (an input file echoed); nothing in CSV.
void write_verbatim(std::FILE *f, report_format fm, const std::string &title,
                    const std::string &text);
