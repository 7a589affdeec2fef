// The report engine, installed under three names:
//   wfrfv10 /c <WfdCom.dat>               preview (ShowWindow,2), print (PrintOut) or print
//                                          through the printer dialog (PrintOutFromDialog)
//   WrVb6Viewer /c <WfdCom.dat>           the same, as the embedded-preview viewer
//   wfrimg10 <tmp.wfd> /c <WfdCom.dat>    combines the reports of the command file into one
//                                          layout file
// Every run of the viewer first writes the report as a PDF beside the command file
// (<layout name>.pdf); "/pdf <file>" writes only that file and shows nothing, for scripts.
// Failures are told in an error box naming what failed and which file (with /pdf, and by
// wfrimg10, whose caller reports its failure, on standard error only) and end with exit
// code 1; nothing is then written.
//
// Environment: with TOPMENU_STANDIN_EXIT set (the suite's checks), each window the engine
// shows (an error box, the preview, the printer dialog) is noted on standard error once it
// is up and then closed, as a user would close it. TOPMENU_WINDOW_STYLE is the window style
// the caller asked for (3 maximised).

#include "desktop/desktopruntime.h"
#include "platform/messagebox.h"
#include "report.h"
#include "wfr.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace
{

bool quiet = false;

void note(const QString& text)
{
    std::fputs((QStringLiteral("wfr: ") +
                QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(": ")) + u'\n')
                   .toLocal8Bit()
                   .constData(),
               stderr);
}

int fail(const QString& text)
{
    note(text);
    if (!quiet)
        platform::msgBox(text, QStringLiteral("帳票印刷"), platform::MsgIcon::Critical,
                         platform::MsgButtons::Ok);
    return 1;
}

// TOPMENU_STANDIN_EXIT: every window that comes up is noted and closed.
void closeEachWindowShown()
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || !window->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            note(QStringLiteral("shown \"") + box->windowTitle() + QStringLiteral("\": ") + box->text());
            box->defaultButton()->click();
        } else {
            note(QStringLiteral("shown \"") + window->windowTitle() + u'"');
            window->close();
        }
    });
    timer->start(50);
}

void print(const wfr::Document& doc, bool withDialog, const QString& pdfPath)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(doc.title());
    if (withDialog) {
        QPrintDialog dialog(&printer);
        dialog.setWindowTitle(QStringLiteral("印刷"));
        if (dialog.exec() != QDialog::Accepted)
            return;
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        // No printer on this system: the PDF beside the command file is the print.
        std::fprintf(stderr, "wfr: no printer; the report is in %s\n", pdfPath.toLocal8Bit().constData());
        return;
    }
    if (!wfr::paintAll(doc, printer))
        note(QStringLiteral("印刷できません。"));
}

// The preview: the pages one below the other, with print and close buttons.
int preview(const wfr::Document& doc, const QString& pdfPath)
{
    QDialog window;
    window.setObjectName(QStringLiteral("frmPreview"));
    window.setWindowTitle(QStringLiteral("印刷プレビュー - ") + doc.title());
    auto* layout = new QVBoxLayout(&window);
    auto* buttons = new QHBoxLayout;
    auto* printButton = new QPushButton(QStringLiteral("印刷"), &window);
    auto* closeButton = new QPushButton(QStringLiteral("閉じる"), &window);
    buttons->addWidget(printButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    auto* scroll = new QScrollArea(&window);
    auto* pages = new QWidget;
    auto* pageLayout = new QVBoxLayout(pages);
    constexpr double kDpi = 96;
    for (int p = 0; p < doc.pageCount(); ++p) {
        const QSizeF mm = doc.pageLayout(p).fullRect(QPageLayout::Millimeter).size();
        QImage image(QSize(int(mm.width() / 25.4 * kDpi), int(mm.height() / 25.4 * kDpi)),
                     QImage::Format_RGB32);
        image.setDotsPerMeterX(int(kDpi / 0.0254));
        image.setDotsPerMeterY(int(kDpi / 0.0254));
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        doc.paint(painter, p);
        painter.end();
        auto* label = new QLabel;
        label->setPixmap(QPixmap::fromImage(image));
        label->setFrameShape(QFrame::Box);
        pageLayout->addWidget(label, 0, Qt::AlignHCenter);
    }
    scroll->setWidget(pages);
    scroll->setAlignment(Qt::AlignHCenter);
    layout->addWidget(scroll);
    QObject::connect(printButton, &QPushButton::clicked, &window, [&] { print(doc, true, pdfPath); });
    QObject::connect(closeButton, &QPushButton::clicked, &window, &QDialog::accept);
    window.resize(900, 1000);
    if (qgetenv("TOPMENU_WINDOW_STYLE") == "3")
        window.showMaximized();
    return window.exec() >= 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    desktop::startFontConfiguration();
    QApplication app(argc, argv);
    desktop::installDesktopRuntime();
    if (qEnvironmentVariableIsSet("TOPMENU_STANDIN_EXIT"))
        closeEachWindowShown();
    const QString role = QFileInfo(app.applicationFilePath()).completeBaseName().toLower();

    // Arguments: [target] /c <command file> [/pdf <file>]; a command file path with blanks
    // arrives split, so the words up to the next option are joined again.
    const QStringList args = app.arguments().mid(1);
    QString target, commandFile, pdfOnly;
    const auto option = [](const QString& word) -> int {
        const QString w = word.toLower();
        return w == QStringLiteral("/c") ? 1 : w == QStringLiteral("/pdf") ? 2 : 0;
    };
    for (int i = 0; i < args.size(); ++i) {
        const int o = option(args[i]);
        if (o == 0) {
            if (target.isEmpty())
                target = args[i];
            continue;
        }
        QStringList value;
        while (i + 1 < args.size() && option(args[i + 1]) == 0)
            value << args[++i];
        (o == 1 ? commandFile : pdfOnly) = value.join(u' ');
    }
    quiet = !pdfOnly.isEmpty() || role == QStringLiteral("wfrimg10");
    if (commandFile.isEmpty())
        return fail(QStringLiteral("コマンドファイルが指定されていません (/c)。"));

    wfr::Job job;
    QString error;
    if (!wfr::readCommandFile(commandFile, &job, &error))
        return fail(error);

    if (role == QStringLiteral("wfrimg10")) {
        if (target.isEmpty())
            return fail(QStringLiteral("結合帳票のファイル名が指定されていません。"));
        if (!job.combination)
            return fail(QStringLiteral("コマンドファイルに結合する帳票 (setreport) がありません。\r\n") +
                        commandFile);
        return wfr::writeCombinedLayout(target, job, &error) ? 0 : fail(error);
    }
    if (job.combination)
        return fail(QStringLiteral("結合前のコマンドファイルは表示できません。\r\n") + commandFile);

    wfr::Document doc;
    if (!doc.prepare(job, &error))
        return fail(error);
    if (!pdfOnly.isEmpty())
        return wfr::writePdf(doc, wfr::localPath(pdfOnly), &error) ? 0 : fail(error);

    const QFileInfo command(wfr::localPath(commandFile));
    const QString name = job.reports.size() == 1
                             ? QFileInfo(wfr::localPath(job.reports[0].layout)).completeBaseName()
                             : (job.title.isEmpty() ? QStringLiteral("report") : job.title);
    const QString pdfPath = command.absoluteDir().filePath(name + QStringLiteral(".pdf"));
    if (!wfr::writePdf(doc, pdfPath, &error))
        return fail(error);
    switch (job.output) {
    case wfr::Output::Preview:
        return preview(doc, pdfPath);
    case wfr::Output::Print:
        print(doc, false, pdfPath);
        return 0;
    case wfr::Output::PrintDialog:
        print(doc, true, pdfPath);
        return 0;
    case wfr::Output::None:
        return 0;
    }
    return 0;
}
