#pragma once
// The description window: Description.rtf of the program folder, read-only,
// or a notice where that file is missing. Each F1 opens one more.

#include <QWidget>

class QTextEdit;
class TMainForm;

class TDscrptForm : public QWidget {
    Q_OBJECT
public:
    static void DescriptExecute(TMainForm& main);

    explicit TDscrptForm(TMainForm& main);

    static constexpr int OuterWidth = 414, OuterHeight = 480;

    QTextEdit* RichEdit1 = nullptr;

    bool FormKeyDown(QKeyEvent* event);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormActivate();
};
