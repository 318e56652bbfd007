// Pictures of the view: the save-image dialog, the quick look, the clipboard and printing.
#include "gui/dialogs.h"

#include "gui/widgets.h"
#include "output/image_save.h"
#include "output/png.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "view/view_state.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

#include <cstring>

namespace vx::gui {
namespace {

constexpr const char* kPrinterName = "vornex-printer";  // the kept printer among the window's children
constexpr platform::TextPair kTextPrintError{"Error", "Error"};
constexpr platform::TextPair kTextNoRaster{"Cannot Print Raster Images", "Cannot Print Raster Images"};
constexpr platform::TextPair kTextPrinterNotOpened{"プリンターを開けません", "The printer cannot be opened"};

// The printer lives as long as the window: a QObject child that the window finds again.
class KeptPrinter : public QObject {
public:
    explicit KeptPrinter(QObject* parent) : QObject(parent), printer(QPrinter::HighResolution) {
        setObjectName(kPrinterName);
        printer.setPageOrientation(QPageLayout::Landscape);
    }
    QPrinter printer;
};

// Full detail before a picture, as DISPLAY GUIDANCE says.
void detail_for_picture(Window& w) {
    shell::App& app = *w.app;
    switch (view::detail_action(app.settings.define.display_guidance, app.display.view.step)) {
    case view::DetailAction::Keep: return;
    case view::DetailAction::Ask: {
        const platform::Message ask{platform::text(view::kTextDetailTitle), platform::text(view::kTextDetailQuestion),
                                    platform::Buttons::YesNo, platform::MessageIn::Body, platform::Answer::Yes};
        if (platform::show_message(ask) != platform::Answer::Yes) return;
        break;
    }
    case view::DetailAction::Redraw: break;
    }
    view_changed(w, false);
}

view::Surface to_surface(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    view::Surface s;
    view::resize(s, rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(s.pixels.data() + std::size_t(y) * rgb.width(), rgb.constScanLine(y), std::size_t(rgb.width()) * 4);
    return s;
}

double screen_dpi(bool x) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 96.0;
    return x ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}

void tell_not_written(const std::string& path) {
    platform::show_message({path, platform::text(output::kTextImageNotWritten)});
}

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The save dialog with its title and single filter; empty when cancelled.
std::string chosen_image_file(Window& w) {
    QFileDialog dialog(w.main, qs(platform::text(output::kTextSaveImageTitle)), qs(w.app->current_dir),
                       qs(platform::text(output::kTextSaveImageFilter)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (exec_dialog(w, dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

int save_image_command(Window& w) {
    const std::string chosen = chosen_image_file(w);
    if (chosen.empty()) return 0;
    const std::string path = output::png_name(chosen);
    if (save_view_image(w, path)) return 1;
    tell_not_written(path);  // never a quiet failure, though the dialog's program says nothing more
    return 0;
}

int print_command(Window& w) {
    const QImage picture = capture_view(w);
    if (picture.isNull()) return 0;
    QPrinter& printer = window_printer(w);
    QPrintDialog dialog(&printer, w.main);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (exec_dialog(w, dialog) != QDialog::Accepted) return 0;
    if (!prints_raster(printer.paintEngine())) {
        platform::show_message({platform::text(kTextPrintError), platform::text(kTextNoRaster)});
        return 0;
    }
    if (print_picture(picture, printer, screen_dpi(true), screen_dpi(false))) return 1;
    platform::show_message({printer.printerName().isEmpty() ? printer.outputFileName().toStdString()
                                                            : printer.printerName().toStdString(),
                            platform::text(kTextPrinterNotOpened)});
    return 0;
}

}  // namespace

QImage capture_view(Window& w) {
    if (!w.view || w.view->width() <= 0 || w.view->height() <= 0) return {};
    detail_for_picture(w);
    // The widget as it paints, with everything drawn over it, not only the display's frame.
    return w.view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool save_view_image(Window& w, const std::string& path) {
    const QImage picture = capture_view(w);
    return !picture.isNull() && output::write_png(to_surface(picture), path);
}

std::string quick_look(Window& w) {
    const QImage picture = capture_view(w);
    if (picture.isNull()) return {};
    const std::string path = output::write_quick_look(to_surface(picture), w.app->current_dir);
    if (path.empty()) tell_not_written(w.app->current_dir + output::quick_look_name(0));
    else platform::open_document(path);
    return path;
}

void copy_view_to_clipboard(Window& w) {
    const QImage picture = capture_view(w);
    if (!picture.isNull()) QGuiApplication::clipboard()->setImage(picture);
}

bool print_picture(const QImage& picture, QPrinter& printer, double screen_dpi_x, double screen_dpi_y) {
    // Copies are pages of our own: a PDF or a printer that ignores the copy count still gets them.
    const int copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    printer.setDocName("VORNEX");
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect target(0, 0, int(picture.width() * printer.logicalDpiX() / screen_dpi_x),
                       int(picture.height() * printer.logicalDpiY() / screen_dpi_y));
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0) printer.newPage();
        painter.drawImage(target, picture);
    }
    painter.end();
    printer.setCopyCount(copies);  // the dialog shows the count chosen last
    return true;
}

bool prints_raster(const QPaintEngine* engine) {
    return engine && engine->hasFeature(QPaintEngine::PixmapTransform);
}

QPrinter& window_printer(Window& w) {
    auto* kept = static_cast<KeptPrinter*>(w.main->findChild<QObject*>(kPrinterName, Qt::FindDirectChildrenOnly));
    if (!kept) kept = new KeptPrinter(w.main);
    return kept->printer;
}

// ---- The window's commands ----

int window_command(void* window, int id, int parameter) {
    Window& w = *static_cast<Window*>(window);
    switch (id) {
    case 32815: return print_command(w);
    case 32889: return save_image_command(w);
    default: return settings_dialog(w, id, parameter);
    }
}

}  // namespace vx::gui
