#include "print/cls_WfdPrintExe.h"

#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/conversions.h"
#include "settings/massageini.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString kQuote = QStringLiteral("\"");

// The error numbers and texts the suite's programs report for these failures.
constexpr long kSubscriptOutOfRange = 9;
constexpr long kFileNotFound = 53;
constexpr long kFileAccess = 75;
constexpr long kPathNotFound = 76;
const QString kSubscriptText = QStringLiteral("インデックスが有効範囲にありません。");
const QString kFileNotFoundText = QStringLiteral("ファイルが見つかりません。");
const QString kFileAccessText = QStringLiteral("パス/ファイル アクセス エラーです。");
const QString kPathNotFoundText = QStringLiteral("パスが見つかりません。");

QString quoted(const QString& text)
{
    return kQuote + text + kQuote;
}

QString paperLine(short paper)
{
    switch (paper) {
    case 1:
        return QStringLiteral("PrintPaper, A5");
    case 2:
        return QStringLiteral("PrintPaper, B5");
    default:
        return QStringLiteral("PrintPaper, A4");
    }
}

} // namespace

short cls_WfdPrintExe::fail(long number, const QString& description, bool show)
{
    sErrMsg = u'(' + QString::number(number) + u')' + description;
    if (show)
        platform::msgBox(sErrMsg, QString(), platform::MsgIcon::Critical, platform::MsgButtons::Ok);
    return -1;
}

short cls_WfdPrintExe::iInit(const QString& csWfdFnm, const QString& csTitle)
{
    engine_ = QStringLiteral("wfrfv10.exe");
    workFolder_ = csGetTmpPath();
    layout_ = csWfdFnm;
    title_.clear();
    if (!csTitle.isEmpty())
        title_ = csTitle;
    offsetX_ = 0;
    offsetY_ = 0;
    zoom_ = 2;
    repeatStart_ = 0;
    items_.clear();
    // A layout that is not there would only fail later inside the engine, where the user
    // learns less about it; the caller reports this text.
    if (!QFileInfo(platform::nativePath(csWfdFnm)).isFile())
        return fail(kFileNotFound, kFileNotFoundText + QStringLiteral("\r\n") + csWfdFnm, false);
    return 0;
}

short cls_WfdPrintExe::setData(short iDataNo, const QString& name, const QString& path, short noTitle)
{
    if (iDataNo < 1 || iDataNo > 5)
        return fail(kSubscriptOutOfRange, kSubscriptText, false);
    const size_t i = size_t(iDataNo - 1);
    dataNames_[i] = name;
    dataPaths_[i] = path;
    noTitle_[i] = noTitle;
    return 0;
}

short cls_WfdPrintExe::iSetDataText(short iDataNo, const QString& csDataName, const QString& csCsvPath)
{
    return setData(iDataNo, csDataName, workFolder_ + csCsvPath, 0);
}

short cls_WfdPrintExe::iSetDataTextNoTitle(short iDataNo, const QString& csDataName, const QString& csCsvPath)
{
    return setData(iDataNo, csDataName, csCsvPath, -1);
}

short cls_WfdPrintExe::iSetOffset(qint32 nOstX, qint32 nOstY)
{
    offsetX_ = nOstX;
    offsetY_ = nOstY;
    return 0;
}

short cls_WfdPrintExe::iSetPrintZoom(short iZoomType)
{
    zoom_ = iZoomType;
    return 0;
}

short cls_WfdPrintExe::iSetItemValue(const QString& csRepNm, const QString& csSecNm, const QString& csItemNm,
                                     const QString& csValue)
{
    items_.push_back({csRepNm, csSecNm, csItemNm, csValue});
    return 0;
}

short cls_WfdPrintExe::iSetRepeatStart(short iStartPos)
{
    repeatStart_ = iStartPos;
    return 0;
}

QStringList cls_WfdPrintExe::commandLines(const QString& finalCommand, short iPaper) const
{
    QStringList lines;
    lines << QStringLiteral("FileName,") + quoted(layout_);
    if (!title_.isEmpty())
        lines << QStringLiteral("Title,") + quoted(title_);
    for (size_t i = 0; i < dataNames_.size(); ++i) {
        if (dataNames_[i].isEmpty())
            continue;
        QString line = QStringLiteral("SetDataText,") + quoted(dataNames_[i]) + u',' + quoted(dataPaths_[i]);
        if (noTitle_[i] == -1)
            line += QStringLiteral(",,,1");
        lines << line;
    }
    if (offsetX_ != 0)
        lines << QStringLiteral("PrintOffsetX, ") + QString::number(offsetX_);
    if (offsetY_ != 0)
        lines << QStringLiteral("PrintOffsetY, ") + QString::number(offsetY_);
    if (zoom_ != 2)
        lines << QStringLiteral("PrintZoom, ") + QString::number(zoom_);
    if (repeatStart_ > 0)
        lines << QStringLiteral("SectionRepeatStart, ") + QString::number(repeatStart_);
    if (iPaper != kNoPaper)
        lines << paperLine(iPaper);
    for (const ItemValue& v : items_) {
        QString key = v.report;
        if (!v.section.trimmed().isEmpty())
            key += u'.' + v.section;
        key += u'.' + v.item;
        lines << QStringLiteral("SetItemValue,") + quoted(key) + u',' + quoted(v.value);
    }
    lines << finalCommand;
    return lines;
}

bool cls_WfdPrintExe::writeCommandFile(const QStringList& lines)
{
    const QString path = platform::nativePath(commandFile());
    // The whole file is replaced at once: an engine still reading the previous job sees
    // that job whole, never a mix of two.
    if (textfile::writeLines(path, lines))
        return true;
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        fail(kPathNotFound, kPathNotFoundText, true);
    else
        fail(kFileAccess, kFileAccessText, true);
    return false;
}

short cls_WfdPrintExe::writeAndStart(const QStringList& lines, const QString& commandLine, bool maximised)
{
    if (!writeCommandFile(lines))
        return -1;
    if (commandLine.isEmpty())
        return 0;
    const auto style =
        maximised ? platform::WindowStyle::MaximizedFocus : platform::WindowStyle::MinimizedFocus;
    if (!platform::processes().startDetached(commandLine, style)) {
        const QString program = commandLine.section(u' ', 0, 0);
        return fail(kFileNotFound, kFileNotFoundText + QStringLiteral("\r\n") + program, true);
    }
    return 0;
}

short cls_WfdPrintExe::iPreview(short iPaper)
{
    return writeAndStart(commandLines(QStringLiteral("ShowWindow,2"), iPaper),
                         engine_ + QStringLiteral(" /c ") + commandFile(), false);
}

short cls_WfdPrintExe::iPreviewData()
{
    return writeAndStart(commandLines(QStringLiteral("ShowWindow,2"), kPaperA4), QString(), false);
}

short cls_WfdPrintExe::iPreviewActX()
{
    return writeAndStart(commandLines(QStringLiteral("ShowWindow,2"), kPaperA4),
                         QStringLiteral("WrVb6Viewer.exe /c ./TMP\\WfdCom.dat"), true);
}

short cls_WfdPrintExe::iPrintBk()
{
    return writeAndStart(commandLines(QStringLiteral("PrintOut"), kPaperA4),
                         engine_ + QStringLiteral(" /c ") + commandFile(), false);
}

short cls_WfdPrintExe::iPrintDialog(short iPaper)
{
    return writeAndStart(commandLines(QStringLiteral("PrintOutFromDialog"), iPaper),
                         engine_ + QStringLiteral(" /c ") + commandFile(), false);
}

short cls_WfdPrintExe::combined(short iCount, const QString& csDataName, const QStringList& csDataPaths,
                                const QString* csDataName2, const QStringList* csDataPaths2,
                                const QStringList& csWfdFiles, const QString& csTitle)
{
    if (iCount < 1 || csDataPaths.size() < iCount || csWfdFiles.size() < iCount ||
        (csDataPaths2 && csDataPaths2->size() < iCount))
        return fail(kSubscriptOutOfRange, kSubscriptText, false);
    const QString dataTail = QStringLiteral("\",\", \"\"\"\", True");
    QStringList lines{QStringLiteral("setTitle,") + quoted(csTitle)};
    for (int i = 0; i < iCount; ++i) {
        lines << QStringLiteral("SetDataText,\"") + csDataName + QStringLiteral("\",\"") + csDataPaths[i] +
                     dataTail;
        if (csDataName2)
            lines << QStringLiteral("SetDataText,\"") + *csDataName2 + QStringLiteral("\",\"") +
                         (*csDataPaths2)[i] + dataTail;
        lines << QStringLiteral("setreport,") + quoted(csWfdFiles[i]);
        if (i + 1 < iCount)
            lines << QStringLiteral("AddReport");
    }
    if (!writeCommandFile(lines))
        return -1;
    // The second command file below replaces this one, so the combination step must have
    // read it (and written tmp.wfd) before it is written. The wait is bounded, as the map's
    // waits are: a step that hangs must not hold the launcher.
    const QString combine =
        QStringLiteral("wfrimg10.exe ") + workFolder_ + QStringLiteral("tmp.wfd /c ") + commandFile();
    int exitCode = 0;
    switch (platform::processes().startAndWaitAtMost(combine, kCombineWaitLimit, &exitCode)) {
    case platform::WaitResult::NotStarted:
        return fail(kFileNotFound, kFileNotFoundText + QStringLiteral("\r\nwfrimg10.exe"), true);
    case platform::WaitResult::TimedOut:
        sErrMsg =
            QStringLiteral("帳票の結合 (wfrimg10.exe) が %1 秒たっても終わらないため、印刷を中止しました。")
                .arg(kCombineWaitLimit / 1000);
        platform::msgBox(sErrMsg, QString(), platform::MsgIcon::Critical, platform::MsgButtons::Ok);
        return -1;
    case platform::WaitResult::Ended:
        break;
    }
    if (exitCode != 0)
        return fail(kFileAccess,
                    kFileAccessText + QStringLiteral("\r\n") + workFolder_ + QStringLiteral("tmp.wfd"), true);
    const QStringList second{QStringLiteral("Title,") + quoted(csTitle),
                             QStringLiteral("FileName,") + quoted(workFolder_ + QStringLiteral("tmp.wfd")),
                             QStringLiteral("PrintOutFromDialog")};
    return writeAndStart(second, engine_ + QStringLiteral(" /c ") + commandFile(), false);
}

short cls_WfdPrintExe::addPrint(short iCount, const QString& csDataName, const QStringList& csDataPaths,
                                const QStringList& csWfdFiles, const QString& csTitle)
{
    return combined(iCount, csDataName, csDataPaths, nullptr, nullptr, csWfdFiles, csTitle);
}

short cls_WfdPrintExe::addPrint_addCSV(short iCount, const QString& csDataName,
                                       const QStringList& csDataPaths, const QString& csDataName2,
                                       const QStringList& csDataPaths2, const QStringList& csWfdFiles,
                                       const QString& csTitle)
{
    return combined(iCount, csDataName, csDataPaths, &csDataName2, &csDataPaths2, csWfdFiles, csTitle);
}
