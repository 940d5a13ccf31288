#pragma once
// Takes the program's messages while it lives: records each one and answers
// every question with a preset answer; the previous handler comes back on
// destruction.

#include "engine/Messages.h"

#include <QList>
#include <QString>

#include <utility>

struct TRecordedMessage {
    TMessageKind Kind;
    QString Caption;
    QString Text;
};

class TMessageRecorder {
public:
    explicit TMessageRecorder(bool answer = false) : Answer(answer)
    {
        Previous = SetMessageHandler([this](TMessageKind kind, const QString& caption, const QString& text) {
            Messages.append({kind, caption, text});
            return kind == TMessageKind::Question && Answer;
        });
    }
    ~TMessageRecorder() { SetMessageHandler(std::move(Previous)); }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    // In the order shown.
    QList<TRecordedMessage> Messages;
    // What a question is answered: true for Yes.
    bool Answer;

private:
    TMessageHandler Previous;
};
