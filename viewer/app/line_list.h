// A list of text lines that draws only the rows in view (model/view, uniform row heights).
#pragma once

#include <QAbstractListModel>
#include <QListView>

#include <string>
#include <vector>

// The lines, kept as they were formatted; a QString is made only for a row being drawn.
class line_list_model : public QAbstractListModel
{
  public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Replaces every line; row_width and row_height are one row's size in pixels (the widest
    // line and the font's line height), which stands for every row.
    void set_lines(std::vector<std::string> lines, int row_width, int row_height);
    const std::vector<std::string> &lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
    int row_width_ = 0;  // pixels of the widest line (fixed-pitch font)
    int row_height_ = 0; // pixels of one row: the font's line height and a little space
};

// The list boxes of the data forms: set_lines replaces every line at once; scrolling and
// drawing cost the rows in view only, however many lines there are.
class line_list : public QListView
{
  public:
    explicit line_list(QWidget *parent = nullptr);
    void set_lines(std::vector<std::string> lines);
    void clear();
    int count() const;
    // Text of row i (tests).
    std::string line(int i) const;

  protected:
    // A new font (the data form sets 9 points) changes every row's height.
    void changeEvent(QEvent *event) override;

  private:
    int row_height() const;
    int row_width(const std::vector<std::string> &lines) const;

    line_list_model *model_;
};
