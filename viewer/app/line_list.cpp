// A list of text lines that draws only the rows in view (model/view, uniform row heights).
#include "line_list.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>

#include <algorithm>

int line_list_model::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant line_list_model::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(lines_.size())) return QVariant();
    if (role == Qt::DisplayRole) return QString::fromStdString(lines_[index.row()]);
    // Uniform item sizes: the view asks one row and lays out every row with its answer, so it
    // must be a whole size (a height of -1 would give every row zero height).
    if (role == Qt::SizeHintRole) return QSize(row_width_, row_height_);
    return QVariant();
}

void line_list_model::set_lines(std::vector<std::string> lines, int row_width, int row_height)
{
    beginResetModel();
    lines_ = std::move(lines);
    row_width_ = row_width;
    row_height_ = row_height;
    endResetModel();
}

line_list::line_list(QWidget *parent) : QListView(parent), model_(new line_list_model(this))
{
    setModel(model_);
    setUniformItemSizes(true); // one row's height stands for all: no per-row layout
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int line_list::row_height() const
{
    return QFontMetrics(font()).height() + 2;
}

int line_list::row_width(const std::vector<std::string> &lines) const
{
    // a fixed-pitch font: the widest line from its length, without shaping every line
    std::size_t longest = 0;
    for (const std::string &s : lines) longest = std::max(longest, s.size());
    return QFontMetrics(font()).horizontalAdvance(QString(static_cast<int>(longest), QChar('0'))) +
           8;
}

void line_list::set_lines(std::vector<std::string> lines)
{
    const int width = row_width(lines);
    model_->set_lines(std::move(lines), width, row_height());
    scrollToTop();
}

void line_list::clear()
{
    model_->set_lines({}, 0, row_height());
}

void line_list::changeEvent(QEvent *event)
{
    QListView::changeEvent(event);
    if (event->type() != QEvent::FontChange || model_->lines().empty()) return;
    std::vector<std::string> lines = model_->lines();
    const int width = row_width(lines);
    model_->set_lines(std::move(lines), width, row_height());
}

int line_list::count() const
{
    return model_->rowCount();
}

std::string line_list::line(int i) const
{
    return i >= 0 && i < count() ? model_->lines()[static_cast<std::size_t>(i)] : std::string();
}
