// The report engine's readers (command file, layout, CSV data) and its PDF output.
// Input: TMP\WfdCom.dat NUL SYS\job.wfd NUL TMP\data.csv NUL TMP\data2.csv, "%APP%" standing for
// the program folder; a combination job is combined into TMP\tmp.wfd as wfrimg10 does.
// Properties: no crash and a bounded peak memory (no unbounded read of a device or huge
// file); a refused job says why and leaves no PDF, partial file or combined layout; an
// accepted job paints a whole PDF with one page per page of the job.
#include "fuzzsupport.h"
#include "report.h"
#include "wfr.h"

#include <QFile>
#include <QGuiApplication>
#include <sys/resource.h>

namespace
{

using fuzz::path;

// Reads and prepares the job; false with the reason when it is refused.
bool prepare(const QString& commandFile, wfr::Job* job, wfr::Document* doc, QString* error)
{
    if (!wfr::readCommandFile(commandFile, job, error))
        return false;
    if (job->combination) {
        const QString tmp = path(QStringLiteral("TMP/tmp.wfd"));
        const bool combined = wfr::writeCombinedLayout(tmp, *job, error);
        FUZZ_CHECK(combined || !QFile::exists(tmp), QStringLiteral("a refused combination"));
        if (!combined)
            return false;
        fuzz::writeFile(QStringLiteral("TMP/WfdCom2.dat"),
                        "FileName,\"" + tmp.toLocal8Bit() + "\"\r\nPrintOutFromDialog\r\n");
        *job = wfr::Job();
        return wfr::readCommandFile(path(QStringLiteral("TMP/WfdCom2.dat")), job, error) &&
               doc->prepare(*job, error);
    }
    return doc->prepare(*job, error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    [[maybe_unused]] static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_wfr";
    static char* argv[] = {name, nullptr};
    static QGuiApplication gui(argc, argv);
    const QByteArray app = fuzz::folder().toLocal8Bit();
    const char* const files[] = {"TMP/WfdCom.dat", "SYS/job.wfd", "TMP/data.csv", "TMP/data2.csv"};
    const std::vector<QByteArray> parts = fuzz::split(fuzz::input(data, size), 3);
    for (size_t i = 0; i < parts.size(); ++i)
        fuzz::writeFile(QString::fromLatin1(files[i]), QByteArray(parts[i]).replace("%APP%", app));
    const QString out = QStringLiteral("out.pdf");
    QFile::remove(path(out));
    QFile::remove(path(QStringLiteral("TMP/tmp.wfd")));

    wfr::Job job;
    wfr::Document doc;
    QString error;
    if (prepare(path(QString::fromLatin1(files[0])), &job, &doc, &error)) {
        FUZZ_CHECK(wfr::writePdf(doc, path(out), &error), QStringLiteral("an accepted job paints: ") + error);
        const QByteArray pdf = fuzz::readFile(out);
        FUZZ_CHECK(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF"), QString::number(pdf.size()));
        // Qt writes one "/Type /Page" object per page, beside the one "/Type /Pages".
        const qsizetype pages = pdf.count("/Type /Page") - pdf.count("/Type /Pages");
        FUZZ_CHECK(pages == doc.pageCount(),
                   QStringLiteral("%1 pages for %2").arg(pages).arg(doc.pageCount()));
    } else {
        FUZZ_CHECK(!error.isEmpty(), QStringLiteral("a refusal says why"));
        FUZZ_CHECK(!QFile::exists(path(out)), error);
    }
    FUZZ_CHECK(!QFile::exists(path(out + QStringLiteral(".part"))), error);
    rusage usage{}; // the peak resident memory, in kilobytes
    getrusage(RUSAGE_SELF, &usage);
    FUZZ_CHECK(usage.ru_maxrss < 3072 * 1024, QString::number(usage.ru_maxrss));
    return 0;
}
