// A group box drawn as dialog templates draw one: the frame line runs through
// the middle of the title, so the frame fills the template rectangle and
// the controls placed inside it in dialog units sit clear of the title.
#pragma once

#include <QString>
#include <QWidget>

namespace tvx {

class GroupFrame final : public QWidget {
public:
    GroupFrame(QString title, QWidget *parent);

    QString Title() const { return title_; }
    void SetTitle(const QString &title);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString title_;
};

} // namespace tvx
