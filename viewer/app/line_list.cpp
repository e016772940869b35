// A list of text lines that draws only the rows in view (model/view, uniform row heights).
#include "line_list.h"

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
    if (role == Qt::SizeHintRole) return QSize(row_width_, -1);
    return QVariant();
}

void line_list_model::set_lines(std::vector<std::string> lines, int row_width)
{
    beginResetModel();
    lines_ = std::move(lines);
    row_width_ = row_width;
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

void line_list::set_lines(std::vector<std::string> lines)
{
    // a fixed-pitch font: the widest line from its length, without shaping every line
    std::size_t longest = 0;
    for (const std::string &s : lines) longest = std::max(longest, s.size());
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(QString(static_cast<int>(longest), QChar('0'))) + 8;
    model_->set_lines(std::move(lines), width);
    scrollToTop();
}

void line_list::clear()
{
    model_->set_lines({}, 0);
}

int line_list::count() const
{
    return model_->rowCount();
}

std::string line_list::line(int i) const
{
    return i >= 0 && i < count() ? model_->lines()[static_cast<std::size_t>(i)] : std::string();
}
