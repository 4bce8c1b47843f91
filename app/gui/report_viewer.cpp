#include "app/gui/report_viewer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/gui/error_box.h"
#include "common/files.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

// A page that does not follow a link to a local file that does not exist, so
// that the viewer stays on its page instead of showing the browser's own error
// page; it tells its owner instead.
class LocalPage : public QWebEnginePage {
  public:
    LocalPage(QObject* parent, std::function<void(const QString&)> onMissingFile)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent),
          onMissingFile_(std::move(onMissingFile)) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame && url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
            onMissingFile_(url.toLocalFile());
            return false;
        }
        return true;
    }

  private:
    std::function<void(const QString&)> onMissingFile_;
};

// The month of a month page's file name ("Hor_12_2026.html"), as its button
// names it ("Декабрь 2026"); empty for any other page.
QString MonthOfPage(const QUrl& url) {
    static const QRegularExpression name(R"(^Hor_(\d\d)_(\d{4})\.html$)");
    const QRegularExpressionMatch match = name.match(url.fileName());
    const int month = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (month < 1 || month > 12) {
        return {};
    }
    const std::string_view caption = MonthNamesCapitalized[month];
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())) + " " +
           match.captured(2);
}

// A file's path, size and time of its last change: a file rewritten since
// has another stamp.
QString PageStamp(const QString& path) {
    const QFileInfo file(path);
    return file.absoluteFilePath() + "|" + QString::number(file.size()) + "|" +
           QString::number(file.lastModified().toMSecsSinceEpoch());
}

}  // namespace

QString PictureTextsScript() {
    // The marks and the chart are told by their file names; the days' values
    // are the sums of their marks' strengths, as the chart draws them, from
    // each day's heading ("Гороскоп на 14 декабря") to the next, up to the
    // legend's heading.
    QStringList months;
    for (const std::string_view name : MonthNames) {
        months.append("'" + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                      "'");
    }
    return "(function () {\n"
           "  const months = [" +
           months.join(", ") +
           "];\n"
           "  const mark = /(?:^|\\/)b_(blu|red)([1-5])\\.gif$/i;\n"
           "  const chart = /(?:^|\\/)Hor_(\\d\\d)_(\\d{4})\\.jpeg$/i;\n"
           "  const dayHeading = /^Гороскоп на (\\d+ \\S+)$/;\n"
           "  const days = [];\n"
           "  let day = null;\n"
           "  let chartImage = null;\n"
           "  for (const node of document.querySelectorAll('b, h1, img')) {\n"
           "    if (node.tagName === 'B') {\n"
           "      const heading = dayHeading.exec(node.textContent.trim());\n"
           "      if (heading) { day = {name: heading[1], value: 0}; days.push(day); }\n"
           "    } else if (node.tagName === 'H1') {\n"
           "      day = null;\n"
           "    } else {\n"
           "      const source = node.getAttribute('src') || '';\n"
           "      const strength = mark.exec(source);\n"
           "      if (strength) {\n"
           "        const favourable = strength[1].toLowerCase() === 'blu';\n"
           "        node.alt = (favourable ? 'благоприятно' : 'неблагоприятно') +\n"
           "                   ', сила ' + strength[2];\n"
           "        if (day) { day.value += (favourable ? 1 : -1) * Number(strength[2]); }\n"
           "      } else if (chart.test(source)) {\n"
           "        chartImage = node;\n"
           "      }\n"
           "    }\n"
           "  }\n"
           "  if (chartImage) {\n"
           "    const month = chart.exec(chartImage.getAttribute('src'));\n"
           "    let text = 'График на ' + (months[Number(month[1])] || month[1]) + ' ' +\n"
           "               month[2] + ' года';\n"
           "    let best = days[0], worst = days[0];\n"
           "    for (const d of days) {\n"
           "      if (d.value > best.value) { best = d; }\n"
           "      if (d.value < worst.value) { worst = d; }\n"
           "    }\n"
           "    text += best && best.value !== worst.value\n"
           "        ? ': лучший день — ' + best.name + ', худший — ' + worst.name + '.'\n"
           "        : ': ровный, без лучших и худших дней.';\n"
           "    chartImage.alt = text;\n"
           "  }\n"
           "})();\n";
}

QSize ViewerSize(QSize screen, int wideWidth) {
    return {screen.width() > 800 ? wideWidth : 770, screen.height() - 80};
}

QRect ViewerPlace(QSize screen, const QRect& available, const QMargins& frame, int wideWidth) {
    const QSize size = ViewerSize(screen, wideWidth).boundedTo(available.size().shrunkBy(frame));
    QRect outer = QRect(QPoint(0, 0), size).marginsAdded(frame);
    outer.moveCenter(available.center());
    return outer.marginsRemoved(frame);
}

ReportViewer::ReportViewer(QWidget* parent, const QString& objectName, int wideWidth,
                           const QString& pageName)
    : QDialog(parent), wideWidth_(wideWidth), pageName_(pageName) {
    setObjectName(objectName);
    setWindowTitle("   Гороскоп ");
    setAccessibleName(pageName);
    QFont font("Arial");
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(45);
    Panel1->setFrameShape(QFrame::StyledPanel);
    BitBtn1 = new QPushButton("Напечатать", Panel1);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(16, 8, 120, 29);
    BitBtn2 = new QPushButton(" Выйти", Panel1);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(160, 8, 120, 29);
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BitBtn2->setAccessibleName("Выйти");
    // No default button: Enter presses the button that has the focus and
    // nothing else (keyPressEvent), not the print button from inside the page.
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        button->setAutoDefault(false);
    }
    // The browser's page is made by Prepare, not here: the web engine starts
    // after the main window is on the screen.
    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setObjectName("WebBrowser1");
    WebBrowser1->setAccessibleName(pageName);
    WebBrowser1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(WebBrowser1, &QWebEngineView::urlChanged, this, &ReportViewer::NameForScreenReader);
    connect(WebBrowser1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = CreateContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(WebBrowser1->mapToGlobal(at));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(WebBrowser1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &ReportViewer::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);

    // Window shortcuts: they work while the page has the focus too.
    const struct {
        QKeySequence Keys;
        std::function<void()> Command;
    } shortcuts[] = {
        {QKeySequence::Print, [this] { BitBtn1Click(); }},
        {QKeySequence(Qt::Key_Escape), [this] { reject(); }},
        {QKeySequence(Qt::ALT | Qt::Key_Left), [this] { Browser()->back(); }},
        {QKeySequence(Qt::ALT | Qt::Key_Right), [this] { Browser()->forward(); }},
    };
    for (const auto& shortcut : shortcuts) {
        connect(new QShortcut(shortcut.Keys, this), &QShortcut::activated, this, shortcut.Command);
    }

    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    resize(ViewerPlace(screen->size(), screen->availableGeometry(), {}, wideWidth_).size());
}

QWebEnginePage* ReportViewer::CreatePage() {
    auto* page = new LocalPage(WebBrowser1, [this](const QString& path) {
        // Told outside the browser's own call, and only for a link followed
        // in the window: a file gone before its page was loaded ahead is
        // loaded, or reported, when its month is opened.
        if (isVisible()) {
            QTimer::singleShot(0, this, [this, path] { ReportMissingPage(path); });
        }
    });
    page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    QWebEngineScript pictureTexts;
    pictureTexts.setName("PictureTexts");
    pictureTexts.setSourceCode(PictureTextsScript());
    pictureTexts.setInjectionPoint(QWebEngineScript::DocumentReady);
    pictureTexts.setWorldId(QWebEngineScript::ApplicationWorld);
    pictureTexts.setRunsOnSubFrames(false);
    page->scripts().insert(pictureTexts);
    // A page shown or loaded ahead draws through a hidden window of its own.
    connect(page, &QWebEnginePage::loadFinished, this, &HideHelperWindows);
    const struct {
        QWebEnginePage::WebAction Action;
        const char* Text;
    } texts[] = {{QWebEnginePage::Back, "Назад"},
                 {QWebEnginePage::Forward, "Вперёд"},
                 {QWebEnginePage::Reload, "Обновить"},
                 {QWebEnginePage::Copy, "Копировать"},
                 {QWebEnginePage::SelectAll, "Выделить всё"}};
    for (const auto& text : texts) {
        page->action(text.Action)->setText(text.Text);
    }
    return page;
}

void ReportViewer::Prepare() {
    if (prepared_) {
        return;
    }
    prepared_ = true;
    QWebEnginePage* page = CreatePage();
    WebBrowser1->setPage(page);
    connect(WebBrowser1, &QWebEngineView::printFinished, this, [this](bool success) {
        // The printer is freed once the browser has returned from its call.
        QTimer::singleShot(0, this, [this] { printer_.reset(); });
        if (!success) {
            ReportPrintFailure("Страница не напечатана: печать не удалась или прервана.");
        }
        emit PrintFinished(success);
    });

    // Placed now, and the browser given its size, so that the renderer lays
    // pages out at the size they are shown in.
    PlaceOnScreen();
    layout()->activate();

    // A renderer started on an empty page.
    connect(page, &QWebEnginePage::loadFinished, this, &ReportViewer::Ready,
            Qt::SingleShotConnection);
    page->setUrl(QUrl("about:blank"));
}

void ReportViewer::PlaceOnScreen() {
    // Centred on the screen, within its available area; the main window's
    // frame tells the size of a window's frame.
    const QWidget* reference = parentWidget() != nullptr ? parentWidget()->window() : this;
    const QRect inner = reference->geometry();
    const QRect outer = reference->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QScreen* screen = reference->screen();
    setGeometry(ViewerPlace(screen->size(), screen->availableGeometry(), frame, wideWidth_));
}

void HideHelperWindows() {
    // The web engine draws a browser through a Quick window that is never
    // shown ("Offscreen"), which a screen reader would list among the
    // program's windows. The program shows no Quick window of its own; as
    // popups they are left out of the list. Their type is all that changes:
    // they have no window on the screen.
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (qobject_cast<QQuickWindow*>(window) != nullptr && window->handle() == nullptr &&
            window->type() != Qt::Popup) {
            window->setFlags((window->flags() & ~Qt::WindowType_Mask) | Qt::Popup);
        }
    }
}

QWebEngineView* ReportViewer::Browser() {
    Prepare();
    return WebBrowser1;
}

void ReportViewer::ShowPage(const QString& path, const QString& subject) {
    Prepare();
    subject_ = subject;
    if (QFile::exists(path)) {
        const QUrl url = QUrl::fromLocalFile(path);
        const QString stamp = PageStamp(path);
        // The page as the file now is: the browser's page when it is that
        // page, else one loaded ahead (or loading), else loaded now.
        if (shownStamp_ != stamp || WebBrowser1->url() != url) {
            const auto ready =
                std::find_if(ready_.begin(), ready_.end(),
                             [&](const ReadyPage& page) { return page.Stamp == stamp; });
            QWebEnginePage* shown = WebBrowser1->page();
            if (ready != ready_.end() && (ready->Loaded || ready->Page == loadingAhead_)) {
                if (ready->Page == loadingAhead_) {
                    // Its load goes on, in the browser.
                    disconnect(loadedAhead_);
                    loadingAhead_ = nullptr;
                }
                WebBrowser1->setPage(ready->Page);
                ready_.erase(ready);
                // A page leaves the browser for good: the web engine draws a
                // page put back into a browser as an empty one.
                shown->deleteLater();
            } else {
                if (ready != ready_.end()) {
                    ready->Page->deleteLater();
                    ready_.erase(ready);
                }
                WebBrowser1->load(url);
            }
            shownStamp_ = stamp;
        }
        StopLoadingAhead();
        // Back and Forward lead through the pages of this showing only.
        QWebEnginePage* page = WebBrowser1->page();
        if (page->url() == url && !page->isLoading()) {
            page->history()->clear();
        } else {
            connect(
                page, &QWebEnginePage::loadFinished, page, [page] { page->history()->clear(); },
                Qt::SingleShotConnection);
        }
    } else if (WebBrowser1->url() != shown_) {
        // The page of the previous showing.
        shownStamp_.clear();
        WebBrowser1->setUrl(shown_.isEmpty() ? QUrl("about:blank") : shown_);
    }
    NameForScreenReader();
    open();
    HideHelperWindows();
}

void ReportViewer::NameForScreenReader() {
    // The month shown, followed by link or kept, and whose forecast it is.
    const QString month = MonthOfPage(WebBrowser1->url());
    setAccessibleName(month.isEmpty() || subject_.isEmpty() ? pageName_ : month + " — " + subject_);
}

void ReportViewer::hideEvent(QHideEvent* event) {
    shown_ = WebBrowser1->url();
    QDialog::hideEvent(event);
    QTimer::singleShot(0, this, &ReportViewer::LoadNextReadyPage);
}

void ReportViewer::Preload(const QStringList& paths) {
    Prepare();
    QStringList stamps;
    for (const QString& path : paths) {
        stamps.append(QFile::exists(path) ? PageStamp(path) : QString());
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& stamp = stamps[i];
        const auto isThisFile = [&](const ReadyPage& page) { return page.Stamp == stamp; };
        if (stamp.isEmpty() ||
            (shownStamp_ == stamp && WebBrowser1->url() == QUrl::fromLocalFile(paths[i])) ||
            std::any_of(ready_.begin(), ready_.end(), isThisFile)) {
            continue;
        }
        if (ready_.size() == static_cast<std::size_t>(ReadyPageLimit)) {
            // The oldest page none of these files needs gives way.
            const auto unneeded =
                std::find_if(ready_.begin(), ready_.end(), [&](const ReadyPage& page) {
                    return !stamps.contains(page.Stamp) && page.Page != loadingAhead_;
                });
            if (unneeded == ready_.end()) {
                continue;
            }
            unneeded->Page->deleteLater();
            ready_.erase(unneeded);
        }
        ready_.push_back({.Page = CreatePage(),
                          .Stamp = stamp,
                          .Url = QUrl::fromLocalFile(paths[i]),
                          .Loaded = false});
    }
    LoadNextReadyPage();
}

bool ReportViewer::LoadingAhead() const {
    return std::any_of(ready_.begin(), ready_.end(),
                       [](const ReadyPage& page) { return !page.Loaded; });
}

void ReportViewer::LoadNextReadyPage() {
    // While the window is shown, its page has the renderer to itself.
    const auto next = std::find_if(ready_.begin(), ready_.end(),
                                   [](const ReadyPage& page) { return !page.Loaded; });
    if (loadingAhead_ != nullptr || next == ready_.end() || isVisible()) {
        return;
    }
    QWebEnginePage* page = next->Page;
    loadingAhead_ = page;
    const QUrl url = next->Url;
    loadedAhead_ =
        connect(page, &QWebEnginePage::loadFinished, this, [this, page, url](bool loaded) {
            // A new page may first report its empty start page as loaded.
            if (loaded && page->url() != url) {
                return;
            }
            disconnect(loadedAhead_);
            loadingAhead_ = nullptr;
            // Laid out and drawn once, the page waits for its click hidden, as
            // a page of a window not shown is.
            page->setVisible(false);
            const auto entry =
                std::find_if(ready_.begin(), ready_.end(),
                             [page](const ReadyPage& ready) { return ready.Page == page; });
            if (entry != ready_.end()) {
                entry->Loaded = true;
                if (!loaded) {
                    entry->Stamp.clear();  // not shown for its file
                }
            }
            LoadNextReadyPage();
        });
    page->load(next->Url);
    // Drawn while it loads, though no window shows it, so that the window
    // shows the page with its first paint.
    page->setVisible(true);
}

void ReportViewer::StopLoadingAhead() {
    if (loadingAhead_ == nullptr) {
        return;
    }
    // Loaded again from the start once the window is closed.
    disconnect(loadedAhead_);
    loadingAhead_->triggerAction(QWebEnginePage::Stop);
    loadingAhead_->setVisible(false);
    loadingAhead_ = nullptr;
}

QMenu* ReportViewer::CreateContextMenu() {
    QWebEnginePage* page = Browser()->page();
    auto* menu = new QMenu(this);
    menu->addAction(page->action(QWebEnginePage::Back));
    menu->addAction(page->action(QWebEnginePage::Forward));
    menu->addAction(page->action(QWebEnginePage::Reload));
    menu->addSeparator();
    menu->addAction(page->action(QWebEnginePage::Copy));
    menu->addAction(page->action(QWebEnginePage::SelectAll));
    menu->addSeparator();
    QAction* print = menu->addAction("Напечатать", this, &ReportViewer::BitBtn1Click);
    print->setShortcut(QKeySequence::Print);
    return menu;
}

void ReportViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button != nullptr && button->isEnabled()) {
            button->click();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReportViewer::ReportMissingPage(const QString& path) {
    ShowErrorBox(this, "Эта страница не открывается: файла " + path + " нет.");
}

void ReportViewer::ReportPrintFailure(const QString& message) {
    // Told outside the browser's own call.
    QTimer::singleShot(0, this, [this, message] { ShowErrorBox(this, message); });
}

void ReportViewer::PrintPage(std::unique_ptr<QPrinter> printer) {
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        // The document comes back whole and is written into place: the file
        // holds the new document or what it held before.
        const QString path = printer->outputFileName();
        Browser()->page()->printToPdf(
            [this, path](const QByteArray& pdf) {
                bool written = false;
                if (pdf.isEmpty()) {
                    ReportPrintFailure("Страница не сохранена в " + path +
                                       ": браузер не смог её напечатать.");
                } else {
                    try {
                        WriteFileAtomically(path.toStdString(),
                                            std::string_view(pdf.constData(),
                                                             static_cast<std::size_t>(pdf.size())));
                        written = true;
                    } catch (const std::exception& error) {
                        ReportPrintFailure("Страница не сохранена в PDF: " +
                                           QString::fromUtf8(error.what()));
                    }
                }
                emit PrintFinished(written);
            },
            printer->pageLayout());
        return;
    }
    if (printer_ != nullptr) {
        ReportPrintFailure("Страница ещё печатается: дождитесь конца печати и напечатайте снова.");
        emit PrintFinished(false);
        return;
    }
    printer_ = std::move(printer);
    Browser()->print(printer_.get());
}

void ReportViewer::BitBtn1Click() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), this);
    dialog.setWindowTitle("Напечатать");
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    PrintPage(std::move(printer));
}

}  // namespace nevalorum
