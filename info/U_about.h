#pragma once
// The about window: version, the home page, the contact address and the
// about text of the program folder, over the program's emblem.

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <functional>

class QFrame;
class QPushButton;
class TMainHost;

// A label that acts when any mouse button goes down on it.
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const QString& text, const QColor& colour, bool bold, QWidget* parent);
    std::function<void()> MouseDown;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class TAboutForm : public QWidget {
    Q_OBJECT
public:
    // Opens the window, or closes it when it is open.
    static void A_ProgramExecute(TMainHost& main);
    // The open window, if any.
    static TAboutForm* Current() { return Instance; }

    explicit TAboutForm(TMainHost& main);

    static constexpr int ClientWidth = 234, ClientHeight = 260;

    QFrame* Panel1 = nullptr;
    TLinkLabel* Label6 = nullptr;
    TLinkLabel* Label7 = nullptr;
    QLabel* IconMark = nullptr;
    QLabel* Label2 = nullptr;
    TLinkLabel* Label3 = nullptr;
    TLinkLabel* Label4 = nullptr;
    QPushButton* CloseButton = nullptr;

    void Label3MouseDown();
    void Label4MouseDown();
    void Label6MouseDown();
    void Label7MouseDown();
    void CloseButtonClick();
    bool FormKeyDown(QKeyEvent* event);

    // The 73 x 73 emblem: a Julia set of the program's engine.
    static QImage Emblem();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TMainHost& Main;
    static inline QPointer<TAboutForm> Instance;
};
