#pragma once
// What the program's other windows may use of the main window: the state,
// the render protocol's steps, and the few places the windows share with it.
// The file dialogs, the export, the about and description windows, the
// options window and the slide show take a TMainHost and nothing more.

#include "engine/ProgramState.h"

#include <QPointer>
#include <QRect>

class QFileDialog;
class QWidget;
class TVrelOptions;

class TMainHost {
public:
    TMainHost() = default;
    virtual ~TMainHost() = default;
    TMainHost(const TMainHost&) = delete;
    TMainHost& operator=(const TMainHost&) = delete;

    // The program's one state; other windows read and write it and keep no copy
    // beyond the saved copies they put back.
    ProgramState State;

    // Inputs that change the picture are dropped while a pass runs.
    bool RenderIdle() const { return State.RenderIdle.load(); }
    // Starts the next pass; only while RenderIdle().
    virtual void WakeRender() = 0;
    // After a change of the view: PicStep (when the width changed), the
    // overview frame, a new pass.
    virtual void CommitView(bool widthChanged) = 0;
    // C in its track bars (trunc(C x 1000), C itself kept) and in its edits.
    virtual void ShowCoefficients() = 0;
    // The palette kind and levels in the palette controls (the levels kept),
    // the colour table and the palette line; no pass.
    virtual void ShowPalette() = 0;
    // Colour table and palette line from the palette values, then a new pass.
    virtual void ApplyPalette() = 0;
    // Ends a running C animation.
    virtual void StopAnimation() = 0;
    // Waits for a pass under way and runs what its end brings (a palette kind
    // applied late); afterwards no pass runs until the next WakeRender().
    virtual void SettleRender() = 0;
    // The full-screen view has closed.
    virtual void FullScreenClosed() = 0;
    // While the full-screen view is open: computes it again from the state.
    virtual void RefreshFullScreen() = 0;
    // Enabled states of the actions, derived from the state.
    virtual void UpdateActions() = 0;
    // A fractal was opened or saved: the quick save has its file.
    bool HasCurrentFractal() const { return !State.CurrentFractalName.isEmpty(); }

    // The main window: parent and place of the other windows.
    virtual QWidget& Window() = 0;
    // The main picture's rectangle in the main window's coordinates.
    virtual QRect PictureFrame() const = 0;
    // Where the export keeps its file dialog once made, so that it opens where
    // it was left.
    QFileDialog* ExportFileDialog = nullptr;
    // The open options window, if any.
    QPointer<TVrelOptions> OptionsWindow;

    // Held for its whole life by a window that reads the state into its own
    // pictures (file dialogs, slide show, export): the pass under way and what
    // its end brings are over first, and meanwhile no pass starts except
    // those the window itself asks for.
    class TStateLoan {
    public:
        explicit TStateLoan(TMainHost& host) : Host(host)
        {
            Host.SettleRender();
            ++Host.StateLoans;
        }
        ~TStateLoan() { --Host.StateLoans; }
        TStateLoan(const TStateLoan&) = delete;
        TStateLoan& operator=(const TStateLoan&) = delete;

    private:
        TMainHost& Host;
    };

protected:
    // Windows holding the state on loan.
    int StateLoans = 0;
};
