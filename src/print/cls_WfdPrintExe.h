#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// One print job of the report engine: collects the job's settings, writes the command file
// WfdCom.dat into the work folder (CP932, CR LF) and starts the engine on it. Each print
// makes a new object. Status results are 0 / -1; a failure's text is kept in sErrMsg.
class cls_WfdPrintExe
{
public:
    // Paper arguments of the output operations: 1 A5, 2 B5, -1 no paper line, any other A4.
    static constexpr short kPaperA4 = 0;
    static constexpr short kNoPaper = -1;
    // How long a combined print waits for its combination step, in milliseconds.
    static constexpr int kCombineWaitLimit = 60000;

    QString sErrMsg;

    short iInit(const QString& csWfdFnm, const QString& csTitle = {});
    short iSetDataText(short iDataNo, const QString& csDataName, const QString& csCsvPath);
    short iSetDataTextNoTitle(short iDataNo, const QString& csDataName, const QString& csCsvPath);
    short iSetOffset(qint32 nOstX, qint32 nOstY);
    short iSetPrintZoom(short iZoomType);
    short iSetItemValue(const QString& csRepNm, const QString& csSecNm, const QString& csItemNm,
                        const QString& csValue);
    short iSetRepeatStart(short iStartPos);

    // The output operations: 0 when the command file was written and the program started.
    short iPreview(short iPaper = kPaperA4);
    short iPreviewData();
    short iPreviewActX();
    short iPrintBk();
    short iPrintDialog(short iPaper = kPaperA4);

    // Combined reports: report i is layout csWfdFiles[i] over data csDataPaths[i] (named
    // csDataName); addPrint_addCSV adds a second data source per report.
    short addPrint(short iCount, const QString& csDataName, const QStringList& csDataPaths,
                   const QStringList& csWfdFiles, const QString& csTitle);
    short addPrint_addCSV(short iCount, const QString& csDataName, const QStringList& csDataPaths,
                          const QString& csDataName2, const QStringList& csDataPaths2,
                          const QStringList& csWfdFiles, const QString& csTitle);

    // The job as the command file will hold it (what the output operations write).
    QString workFolder() const { return workFolder_; }
    QString commandFile() const { return workFolder_ + QStringLiteral("WfdCom.dat"); }
    QStringList commandLines(const QString& finalCommand, short iPaper) const;

private:
    struct ItemValue {
        QString report, section, item, value;
    };
    short setData(short iDataNo, const QString& name, const QString& path, short noTitle);
    short writeAndStart(const QStringList& lines, const QString& commandLine, bool maximised);
    bool writeCommandFile(const QStringList& lines);
    short combined(short iCount, const QString& csDataName, const QStringList& csDataPaths,
                   const QString* csDataName2, const QStringList* csDataPaths2, const QStringList& csWfdFiles,
                   const QString& csTitle);
    short fail(long number, const QString& description, bool show);

    QString engine_ = QStringLiteral("wfrfv10.exe");
    QString workFolder_;
    QString layout_;
    QString title_;
    std::array<QString, 5> dataNames_;
    std::array<QString, 5> dataPaths_;
    std::array<short, 5> noTitle_{};
    qint32 offsetX_ = 0;
    qint32 offsetY_ = 0;
    short zoom_ = 2;
    short repeatStart_ = 0;
    std::vector<ItemValue> items_;
};
