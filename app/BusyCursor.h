#pragma once
// A long operation of the main thread shows a busy cursor for its scope: the
// screen cursor is saved in SavedCursor and put back at the end.

#include "engine/ProgramState.h"

#include <QCursor>
#include <QGuiApplication>

class TBusyCursor {
public:
    // Qt::WaitCursor is the hourglass, Qt::BusyCursor the application-starting one.
    TBusyCursor(ProgramState& state, Qt::CursorShape shape)
    {
        const QCursor* current = QGuiApplication::overrideCursor();
        state.SavedCursor = static_cast<int16_t>(current ? current->shape() : Qt::ArrowCursor);
        QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
