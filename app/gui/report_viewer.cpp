#include "app/gui/report_viewer.h"

#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace nevalorum {

QSize ViewerSize(QSize screen, int wideWidth) {
    return {screen.width() > 800 ? wideWidth : 770, screen.height() - 80};
}

ReportViewer::ReportViewer(QWidget* parent, const QString& objectName, int wideWidth)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle("   Гороскоп ");
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
    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setObjectName("WebBrowser1");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(WebBrowser1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &ReportViewer::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
    connect(WebBrowser1->page(), &QWebEnginePage::pdfPrintingFinished, this,
            [this](const QString&, bool success) { emit PrintFinished(success); });
    connect(WebBrowser1, &QWebEngineView::printFinished, this,
            [this](bool success) { emit PrintFinished(success); });

    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    resize(ViewerSize(screen->size(), wideWidth));
}

void ReportViewer::ShowPage(const QString& path) {
    if (QFile::exists(path)) {
        WebBrowser1->load(QUrl::fromLocalFile(path));
    }
    open();
}

void ReportViewer::PrintPage(QPrinter* printer) {
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        WebBrowser1->page()->printToPdf(printer->outputFileName(), printer->pageLayout());
    } else {
        WebBrowser1->print(printer);
    }
}

void ReportViewer::BitBtn1Click() {
    // The printer must live until the browser has finished with it.
    auto* printer = new QPrinter(QPrinter::HighResolution);
    QPrintDialog dialog(printer, this);
    dialog.setWindowTitle("Напечатать");
    if (dialog.exec() != QDialog::Accepted) {
        delete printer;
        return;
    }
    connect(
        this, &ReportViewer::PrintFinished, this, [printer] { delete printer; },
        Qt::SingleShotConnection);
    PrintPage(printer);
}

}  // namespace nevalorum
