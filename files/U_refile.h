#pragma once
// The rename dialog of both file dialogs: the old name, the new one, Ok and
// Cancel; the labels are the calling dialog's.

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TReFile : public QDialog {
    Q_OBJECT
public:
    TReFile(QWidget& owner, const QString& oldLabel, const QString& newLabel, const QString& oldName);

    QLabel* OldLabel = nullptr;
    QLineEdit* OldName = nullptr;
    QLabel* NewLabel = nullptr;
    QLineEdit* NewName = nullptr;
    QPushButton* OkBut = nullptr;
    QPushButton* CanselBut = nullptr;

    // Tries the new name; true when the file was renamed and the dialog closes.
    std::function<bool(const QString& newName)> Rename;

    void OkButClick();
};
