#pragma once
// Every window of the program, opened the way the user opens it, shown, and
// handed to a check; closed again afterwards. Header only; the tests that use
// it link the windows library.

#include "app/U_fullscreen.h"
#include "tests/support/MainFormAccess.h"
#include "engine/ProgramState.h"
#include "export/U_sizeandext.h"
#include "files/FileFormats.h"
#include "files/U_opensavefractal.h"
#include "files/U_ospalette.h"
#include "files/U_refile.h"
#include "info/U_about.h"
#include "info/U_description.h"
#include "slides/U_slideform.h"
#include "slides/U_vreloptions.h"
#include "support/Files.h"
#include "support/Modal.h"
#include "support/ProgramFolder.h"

#include <QtTest>

#include <functional>

enum class TWindowKind {
    Main, FractalOpen, FractalSave, PaletteOpen, PaletteSave, Rename, Export, Options, About, Description,
    FullScreen, SlideShow,
};
Q_DECLARE_METATYPE(TWindowKind)

namespace ProgramWindows {

using TAct = std::function<void(QWidget&)>;

// One stored fractal and one palette, so that the lists, previews and the
// slide show have something to show.
inline bool PutFiles(const TProgramFolder& dir)
{
    const TFractalParams p{1, 3, -0.7455, 0.1234, 0.25f, -0.5f, 2.5f, 10, 20, 30, 40, 35, 25};
    return WriteBytes(dir.FilePath(QStringLiteral("fractals/a.frc")), EncodeFractal(p)) &&
           WriteBytes(dir.FilePath(QStringLiteral("paletts/a.ptt")), EncodePalette(p));
}

// Runs 'act' on a modal window of type T once it shows, then closes it.
template <class T>
void WhenModal(TMainFormForTests& main, const TAct& act)
{
    OnModal<T>(&main, [act](T& d) {
        if (QTest::qWaitForWindowExposed(&d))
            act(d);
        else
            QTest::qFail("the window did not show", __FILE__, __LINE__);
        d.close();
    });
}

template <class T>
void Modeless(T* w, const TAct& act)
{
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    act(*w);
    w->close();
}

// The main window is shown first: it holds the hint line and owns the rest.
inline void WithWindow(TMainFormForTests& main, const TProgramFolder& dir, TWindowKind kind, const TAct& act)
{
    QVERIFY(PutFiles(dir));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    switch (kind) {
    case TWindowKind::Main:
        act(main);
        break;
    case TWindowKind::FractalOpen:
        WhenModal<TOpenSaveFractal>(main, act);
        main.OpenFract->trigger();
        break;
    case TWindowKind::FractalSave:
        WhenModal<TOpenSaveFractal>(main, act);
        main.SaveFractal->trigger();
        break;
    case TWindowKind::PaletteOpen:
        WhenModal<TOSPalette>(main, act);
        main.OpenPalette->trigger();
        break;
    case TWindowKind::PaletteSave:
        WhenModal<TOSPalette>(main, act);
        main.SavePalette->trigger();
        break;
    case TWindowKind::Rename:
        OnModal<TOpenSaveFractal>(&main, [act, &main](TOpenSaveFractal& d) {
            WhenModal<TReFile>(main, act);
            d.RenFileExecute();
            d.close();
        });
        main.OpenFract->trigger();
        break;
    case TWindowKind::Export: {
        const QString path = dir.FilePath(QStringLiteral("picture.bmp"));
        TSizeAndExt::SaveDialogForTests = [path](const QString&) { return std::optional<QString>(path); };
        WhenModal<TSizeAndExt>(main, act);
        main.SaveImage->trigger();
        TSizeAndExt::SaveDialogForTests = nullptr;
        break;
    }
    case TWindowKind::Options:
        main.Options->trigger();
        Modeless(main.OptionsWindow.data(), act);
        break;
    case TWindowKind::About:
        main.A_Program->trigger();
        Modeless(TAboutForm::Current(), act);
        break;
    case TWindowKind::Description:
        main.Descript->trigger();
        Modeless(main.findChild<TDscrptForm*>(QString(), Qt::FindDirectChildrenOnly), act);
        break;
    case TWindowKind::FullScreen:
        main.FullScr->trigger();
        Modeless(main.FullScreenForm.data(), act);
        break;
    case TWindowKind::SlideShow:
        WhenModal<TSlideForm>(main, act);
        main.SlideShow->trigger();
        break;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace ProgramWindows
