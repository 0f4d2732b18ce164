#include "ScanRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kAfterHostName = QStringLiteral("    ");
const QString kAfterAddress = QStringLiteral("     ");
const QString kListSeparator = QStringLiteral(";");
const QStringList kColumns = {QStringLiteral("workgroup"), QStringLiteral("computer"),
                              QStringLiteral("address"),   QStringLiteral("mac"),
                              QStringLiteral("vendor"),    QStringLiteral("shares"),
                              QStringLiteral("found_by")};

QString csvField(const QString &text) {
  if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') &&
      !text.contains(u'\n'))
    return text;
  QString quoted = text;
  quoted.replace(u'"', QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}

QString csvLine(const QStringList &fields) {
  QStringList quoted;
  for (const QString &field : fields)
    quoted << csvField(field);
  return quoted.join(u',') + QStringLiteral("\r\n");
}

} // namespace

QByteArray FormatRows(const QList<ScanRow> &rows, ScanFormat format) {
  switch (format) {
  case ScanFormat::Text: {
    QString text;
    for (const ScanRow &row : rows)
      text += row.computer + kAfterHostName + row.address + kAfterAddress + row.mac + u'\n';
    return text.toUtf8();
  }
  case ScanFormat::Csv: {
    QString text = csvLine(kColumns);
    for (const ScanRow &row : rows)
      text += csvLine({row.workgroup, row.computer, row.address, row.mac, row.vendor,
                       row.shares.join(kListSeparator), row.foundBy.join(kListSeparator)});
    return text.toUtf8();
  }
  case ScanFormat::Json: {
    QJsonArray array;
    for (const ScanRow &row : rows) {
      const QList<QJsonValue> values = {row.workgroup,
                                        row.computer,
                                        row.address,
                                        row.mac,
                                        row.vendor,
                                        QJsonArray::fromStringList(row.shares),
                                        QJsonArray::fromStringList(row.foundBy)};
      QJsonObject object;
      for (qsizetype i = 0; i < kColumns.size(); ++i)
        object.insert(kColumns[i], values[i]);
      array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
  }
  }
  return {};
}
