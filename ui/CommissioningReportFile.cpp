#include "ui/CommissioningReportFile.h"

#include "journal/CommissioningReport.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

QString saveCommissioningReport(const ReportInput &input, const QString &path)
{
    const QString html = commissioningReportHtml(input);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return path + QStringLiteral(": ") + file.errorString();
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        {
            QPdfWriter pdf(&file);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setResolution(300);
            pdf.setTitle(QStringLiteral("Commissioning Report"));
            pdf.setCreator(QStringLiteral("Cfg_740RB"));
            QTextDocument document;
            document.setHtml(html);
            document.setPageSize(QSizeF(pdf.width(), pdf.height()));
            document.print(&pdf);
        }   // the writer ends the file when it goes
    } else {
        const QByteArray bytes = html.toUtf8();
        if (file.write(bytes) != bytes.size())
            return path + QStringLiteral(": ") + file.errorString();
    }
    if (!file.commit())
        return path + QStringLiteral(": ") + file.errorString();
    return {};
}
