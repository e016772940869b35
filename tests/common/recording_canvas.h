// A canvas and a progress window that record what is drawn on them, one text line per
// primitive, for the viewer's drawing tests:
//   "pen RRGGBB width style", "brush RRGGBB style", "font RRGGBB", "move x y", "line x y",
//   "arc x1 y1 ... y4", "rect x1 y1 x2 y2", "polygon x,y x,y ...", "text x y TEXT".
#pragma once

#include "canvas.h"

#include <cstdio>
#include <string>
#include <vector>

class recording_canvas : public canvas
{
  public:
    std::vector<std::string> lines;
    void set_pen(int colour, int width, int style) override
    {
        add("pen %06X %d %d", colour, width, style);
    }
    void set_brush(int colour, int style) override { add("brush %06X %d", colour, style); }
    void set_font_colour(int colour) override { add("font %06X", colour); }
    void move_to(int x, int y) override { add("move %d %d", x, y); }
    void line_to(int x, int y) override { add("line %d %d", x, y); }
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override
    {
        add("arc %d %d %d %d %d %d %d %d", x1, y1, x2, y2, x3, y3, x4, y4);
    }
    void rectangle(int x1, int y1, int x2, int y2) override
    {
        add("rect %d %d %d %d", x1, y1, x2, y2);
    }
    void polygon(const int *xy, int n) override
    {
        // appended piece by piece: GCC 12 at -O3 takes " " + std::string for an
        // overlapping copy (a known false -Wrestrict)
        std::string s = "polygon";
        char point[32];
        for (int i = 0; i < n; i++) {
            std::snprintf(point, sizeof point, " %d,%d", xy[2 * i], xy[2 * i + 1]);
            s += point;
        }
        lines.push_back(s);
    }
    // texts are kept whole, however long
    void text_out(int x, int y, const char *text) override
    {
        lines.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " + text);
    }
    // Lines that start with prefix.
    int count(const std::string &prefix) const
    {
        int n = 0;
        for (const auto &l : lines) n += l.compare(0, prefix.size(), prefix) == 0;
        return n;
    }

  private:
    template <typename... A> void add(const char *fmt, A... a)
    {
        char buf[128];
        std::snprintf(buf, sizeof buf, fmt, a...);
        lines.push_back(buf);
    }
};

// A progress window that keeps its lines.
class recording_progress : public progress_sink
{
  public:
    std::vector<std::string> lines;
    void show() override { lines.push_back("show"); }
    void clear() override { lines.push_back("clear"); }
    void text(int x, int y, const char *line) override
    {
        lines.push_back(std::to_string(x) + "," + std::to_string(y) + " " + line);
    }
    void hide() override { lines.push_back("hide"); }
};
