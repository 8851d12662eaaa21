#pragma once
// A label that works as a link: drawn in the link colour, underlined and with the hand cursor while
// the mouse is over it, and reporting a click (or Enter or Space while it has the focus).

#include <QLabel>

namespace qel::editor {

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetUnderline(bool on);
};

}  // namespace qel::editor
