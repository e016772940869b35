// Tables of a report written as Markdown, HTML or CSV (one value per cell), and figures beside
// them: shared by the engineering report and the design check's damage report.
#include "tables.h"

#include <cmath>
#include <cstdarg>

namespace
{

std::string csv_escape(const std::string &s)
{
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string o = "\"";
    for (char c : s) o += c == '"' ? std::string("\"\"") : std::string(1, c);
    return o + "\"";
}

bool ends_with(const std::string &s, const char *tail)
{
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

bool format_of(const std::string &path, report_format &fm)
{
    if (ends_with(path, ".md"))
        fm = report_format::md;
    else if (ends_with(path, ".html") || ends_with(path, ".htm"))
        fm = report_format::html;
    else if (ends_with(path, ".csv"))
        fm = report_format::csv;
    else
        return false;
    return true;
}

void append_format(std::string &to, const char *format, ...)
{
    std::va_list a, b;
    va_start(a, format);
    va_copy(b, a);
    const int n = std::vsnprintf(nullptr, 0, format, a);
    va_end(a);
    if (n > 0) {
        const std::size_t at = to.size();
        to.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(&to[at], static_cast<std::size_t>(n) + 1, format, b);
        to.resize(at + static_cast<std::size_t>(n));
    }
    va_end(b);
}

void write_document_start(std::FILE *f, report_format fm, const std::string &title)
{
    if (fm == report_format::md) std::fprintf(f, "# %s\n\n", md_escape(title).c_str());
    if (fm == report_format::html)
        std::fprintf(f,
                     "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title>\n"
                     "<style>body{font-family:sans-serif;max-width:75em}table{border-collapse:"
                     "collapse;margin-bottom:1em}td,th{border:1px solid #999;padding:2px 6px;"
                     "text-align:right}.warn{color:#a00}</style></head><body>\n<h1>%s</h1>\n",
                     html_escape(title).c_str(), html_escape(title).c_str());
}

void write_document_end(std::FILE *f, report_format fm)
{
    if (fm == report_format::html) std::fputs("</body></html>\n", f);
}

void write_verbatim(std::FILE *f, report_format fm, const std::string &title,
                    const std::string &text)
{
    if (fm == report_format::md)
        std::fprintf(f, "## %s\n\n```\n%s\n```\n\n", md_escape(title).c_str(), text.c_str());
    if (fm == report_format::html)
        std::fprintf(f, "<h2>%s</h2>\n<pre>%s</pre>\n", html_escape(title).c_str(),
                     html_escape(text).c_str());
}

void write_paragraph(std::FILE *f, report_format fm, const std::string &text, bool warning)
{
    if (fm == report_format::md)
        std::fprintf(f, "%s%s\n\n", warning ? "**Warning:** " : "", md_escape(text).c_str());
    if (fm == report_format::html)
        std::fprintf(f, "<p%s>%s%s</p>\n", warning ? " class=\"warn\"" : "",
                     warning ? "<b>Warning:</b> " : "", html_escape(text).c_str());
}

cell txt(const std::string &s)
{
    return cell{s};
}

cell num(double v, const char *fmt)
{
    cell c;
    c.value = v;
    c.number = true;
    c.fmt = fmt;
    return c;
}

std::string cell_text(const cell &c, bool csv)
{
    if (!c.number) return c.text;
    if (std::isnan(c.value)) return csv ? "" : "-";
    char b[64];
    std::snprintf(b, sizeof b, csv ? "%.6g" : c.fmt, c.value);
    return b;
}

std::string html_escape(const std::string &s)
{
    std::string o;
    for (char c : s) {
        if (c == '<')
            o += "&lt;";
        else if (c == '>')
            o += "&gt;";
        else if (c == '&')
            o += "&amp;";
        else if (c == '"')
            o += "&quot;";
        else
            o += c;
    }
    return o;
}

std::string md_escape(const std::string &s)
{
    std::string o;
    for (char c : s) {
        if (c == '|') o += '\\';
        if (c == '\n')
            o += ' ';
        else
            o += c;
    }
    return o;
}

void write_table(std::FILE *f, const table &t, report_format fm)
{
    const std::size_t width = t.head.size();
    if (fm == report_format::csv) {
        std::fprintf(f, "%s\n", csv_escape(t.title).c_str());
        for (std::size_t k = 0; k < width; ++k)
            std::fprintf(f, "%s%s", k ? "," : "", csv_escape(t.head[k]).c_str());
        std::fputs("\n", f);
        for (const auto &row : t.rows) {
            for (std::size_t k = 0; k < width; ++k)
                std::fprintf(f, "%s%s", k ? "," : "",
                             k < row.size() ? csv_escape(cell_text(row[k], true)).c_str() : "");
            std::fputs("\n", f);
        }
        std::fputs("\n", f);
    } else if (fm == report_format::md) {
        std::fprintf(f, "## %s\n\n", md_escape(t.title).c_str());
        if (!t.note.empty()) std::fprintf(f, "%s\n\n", md_escape(t.note).c_str());
        std::fputs("|", f);
        for (const std::string &h : t.head) std::fprintf(f, " %s |", md_escape(h).c_str());
        std::fputs("\n|", f);
        for (std::size_t k = 0; k < width; ++k) std::fputs("---|", f);
        std::fputs("\n", f);
        for (const auto &row : t.rows) {
            std::fputs("|", f);
            for (std::size_t k = 0; k < width; ++k)
                std::fprintf(f, " %s |",
                             k < row.size() ? md_escape(cell_text(row[k], false)).c_str() : "");
            std::fputs("\n", f);
        }
        std::fputs("\n", f);
    } else {
        std::fprintf(f, "<h2>%s</h2>\n", html_escape(t.title).c_str());
        if (!t.note.empty()) std::fprintf(f, "<p>%s</p>\n", html_escape(t.note).c_str());
        std::fputs("<table>\n<tr>", f);
        for (const std::string &h : t.head) std::fprintf(f, "<th>%s</th>", html_escape(h).c_str());
        std::fputs("</tr>\n", f);
        for (const auto &row : t.rows) {
            std::fputs("<tr>", f);
            for (std::size_t k = 0; k < width; ++k)
                std::fprintf(f, "<td>%s</td>",
                             k < row.size() ? html_escape(cell_text(row[k], false)).c_str() : "");
            std::fputs("</tr>\n", f);
        }
        std::fputs("</table>\n", f);
    }
}

void write_figure(std::FILE *f, report_format fm, const std::string &title, const std::string &file)
{
    if (file.empty() || fm == report_format::csv) return;
    if (fm == report_format::md)
        std::fprintf(f, "## %s\n\n![%s](%s)\n\n", md_escape(title).c_str(),
                     md_escape(title).c_str(), file.c_str());
    else
        std::fprintf(f, "<h2>%s</h2>\n<img src=\"%s\" alt=\"%s\">\n", html_escape(title).c_str(),
                     html_escape(file).c_str(), html_escape(title).c_str());
}
