#pragma once
// The slide-show options: the delay and the order. A modeless tool window
// on top; only "Ok!" changes the settings.

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class TMainHost;

class TVrelOptions : public QWidget {
    Q_OBJECT
public:
    // The main window's action: opens the window, or closes it when open.
    static void OptionsExecute(TMainHost& main);

    explicit TVrelOptions(TMainHost& main);

    static constexpr int ClientWidth = 185, ClientHeight = 203;

    QLineEdit* TimeInterval = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* BTInterval = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QPushButton* ButOkey = nullptr;
    QPushButton* CanBut = nullptr;

    void BTIntervalChange();
    void ButOkeyClick();
    void CanButClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    TMainHost& Main;
};
