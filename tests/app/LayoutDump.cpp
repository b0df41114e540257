// Prints where every named, visible widget of the main window and of the progress window sits, in
// the windows' own (device-independent) pixels, with what the windows look like when grabbed:
//   layout-dump            (run with QT_SCALE_FACTOR set, by ScaledLayoutTest)
// One line a widget: window <TAB> widget <TAB> x y w h <TAB> whether its text fits; one line a
// window: window <TAB> "grab" <TAB> pixel width height <TAB> device pixel ratio.
#include "app/TKukuForm.h"
#include "records/GanbariForm.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/SilentServices.h"
#include "ui_KukuForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace rentabo;

namespace {

// Whether a widget's text is drawn whole at the size it has.
bool textFits(const QWidget* w) {
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w); label && !label->wordWrap()) text = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
    if (text.isEmpty() || text.contains(u'<')) return true;
    return w->fontMetrics().horizontalAdvance(text.remove(u'&')) <= w->contentsRect().width();
}

void dump(const char* name, QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) std::printf("%s\tnot shown\n", name);
    QApplication::processEvents();
    std::printf("%s\twindow\t0 0 %d %d\t1\n", name, window->width(), window->height());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_") || !w->isVisibleTo(window))
            continue;
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        std::printf("%s\t%s\t%d %d %d %d\t%d\n", name, qPrintable(w->objectName()), r.x(), r.y(), r.width(),
                    r.height(), textFits(w) ? 1 : 0);
    }
    const QPixmap shot = window->grab();
    std::printf("%s\tgrab\t%d %d\t%g\n", name, shot.width(), shot.height(), shot.devicePixelRatio());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    KukuServices services = rentabo::testing::silentServices();
    TKukuForm form(std::move(services), dir.path() + u'/');
    rentabo::testing::ScriptedPrompts prompts(form.boxPrompts());
    prompts.close = [] { return true; };
    prompts.messages = [](const QString&, const QString&) {};
    form.setPrompts(&prompts);
    dump("main", &form);
    prompts.modal = [](QDialog& dialog) {
        if (qobject_cast<TGanbariForm*>(&dialog)) dump("progress", &dialog);
        dialog.close();
    };
    form.ui().Ganbari->trigger();
    std::fflush(stdout);
    return 0;
}
