#pragma once

#include <QToolBar>

#include <array>

namespace ringvale {

// The main window's toolbar 工具条2: fifteen places by design index (separators, push buttons,
// blank spacers, the 开始运行 check button and the text-only county button).
class MainToolbar final : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kButtonCount = 15;

    explicit MainToolbar(QWidget* parent);

    // The action at design index `index`; separators are separator actions.
    QAction* button(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }
    bool hasToolTip(int index) const { return m_hasTip[static_cast<std::size_t>(index)]; }
    // Fits the width to the buttons (at least 320 pixels) at the design's place and height.
    void fitToButtons();

signals:
    // A click on a button, or any change of the check button's state, however it came.
    void buttonClicked(int index);
    // A left press anywhere on the toolbar, before a button's click.
    void leftPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QAction*, kButtonCount> m_buttons{};
    std::array<bool, kButtonCount> m_hasTip{};
};

} // namespace ringvale
