#pragma once
// A main window in a fresh program folder, its messages recorded and its
// render passes counted by a gate: what the window tests start each case with.
// Header only; the tests that use it link the windows library.

#include "tests/support/MainFormAccess.h"
#include "support/MessageRecorder.h"
#include "support/PassGate.h"
#include "support/ProgramFolder.h"

#include <QApplication>
#include <QFont>
#include <QLocale>

#include <memory>

struct TMainWindowFixture {
    std::unique_ptr<TProgramFolder> Dir;
    std::unique_ptr<TMessageRecorder> Recorder;
    std::unique_ptr<TMainFormForTests> W;

    // Once per test program: numbers in the C locale, every pass through the gate.
    static void CountPasses(TPassGate& gate)
    {
        QLocale::setDefault(QLocale::c());
        TMainFormForTests::PassHookForTests = [&gate] { gate.OnPass(); };
    }

    // The program's own font, as its entry sets it before any window.
    static void UseProgramFont()
    {
        QFont font(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(11);
        QApplication::setFont(font);
    }

    // Folder, recorder and window; true once the first pass is drawn.
    bool StartWindow(TPassGate& gate)
    {
        gate.Reset();
        Dir = std::make_unique<TProgramFolder>(TSubfolders::FractalsAndPaletts);
        if (!Dir->IsValid())
            return false;
        Recorder = std::make_unique<TMessageRecorder>();
        W = std::make_unique<TMainFormForTests>();
        return WaitIdle(W->State);
    }

    // A pass held open is let go first, so the window can stop its thread.
    void StopWindow(TPassGate& gate)
    {
        gate.Hold = false;
        gate.Release.release();
        W.reset();
        Recorder.reset();
        Dir.reset();
    }
};
