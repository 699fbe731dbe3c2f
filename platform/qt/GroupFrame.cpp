#include "platform/qt/GroupFrame.h"

#include <QAccessibleWidget>
#include <QPainter>

#include <utility>

namespace tvx {
namespace {

// Screen readers see a group frame as the grouping it is, not as a plain
// client area. A frame has no meta-object of its own: it is asked for as a
// QWidget.
QAccessibleInterface *GroupFrameAccessible(const QString &className, QObject *object)
{
    auto *frame = dynamic_cast<GroupFrame *>(object);
    return frame && className == QLatin1String("QWidget")
               ? new QAccessibleWidget(frame, QAccessible::Grouping)
               : nullptr;
}

} // namespace

GroupFrame::GroupFrame(QString title, QWidget *parent) : QWidget(parent), title_(std::move(title))
{
    [[maybe_unused]] static const bool accessible = (QAccessible::installFactory(GroupFrameAccessible), true);
    // Mouse events go to the controls inside, as a group box takes none.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GroupFrame::SetTitle(const QString &title)
{
    title_ = title;
    update();
}

void GroupFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched line: a dark rectangle with a light one beside it.
    const QRect frame = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    if (title_.isEmpty())
        return;
    const int indent = metrics.averageCharWidth();
    const int gap = metrics.averageCharWidth() / 2;
    const QRect text(indent, 0, metrics.horizontalAdvance(title_) + 2 * gap, metrics.height());
    painter.fillRect(text, palette().window());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, title_);
}

} // namespace tvx
