#include "ScanRows.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString kAfterHostName = QStringLiteral("    ");
const QString kAfterAddress = QStringLiteral("     ");
const QString kListSeparator = QStringLiteral(";");
const QStringList kColumns = {QStringLiteral("workgroup"), QStringLiteral("computer"),
                              QStringLiteral("address"),   QStringLiteral("mac"),
                              QStringLiteral("vendor"),    QStringLiteral("shares"),
                              QStringLiteral("found_by")};
const QString kChange = QStringLiteral("change");
const QString kPrevious = QStringLiteral("previous");
// The fields of an earlier row that a comparison repeats.
const QStringList kPreviousFields = {QStringLiteral("computer"), QStringLiteral("address"),
                                     QStringLiteral("mac")};

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

QString textLine(const ScanRow &row) {
  return row.computer + kAfterHostName + row.address + kAfterAddress + row.mac;
}

QStringList csvFields(const ScanRow &row) {
  return {row.workgroup,
          row.computer,
          row.address,
          row.mac,
          row.vendor,
          row.shares.join(kListSeparator),
          row.foundBy.join(kListSeparator)};
}

QStringList previousValues(const ComparedRow &row) {
  if (!row.before || !row.now)
    return {QString(), QString(), QString()};
  return {row.before->computer, row.before->address, row.before->mac};
}

QString changeMark(RowChange change) {
  switch (change) {
  case RowChange::New:
    return QStringLiteral("+ ");
  case RowChange::Gone:
    return QStringLiteral("- ");
  case RowChange::Address:
  case RowChange::Mac:
    return QStringLiteral("~ ");
  case RowChange::None:
    break;
  }
  return QStringLiteral("  ");
}

// What a changed row was before: its address, its MAC, or both.
QString wasText(const ComparedRow &row) {
  if (row.change == RowChange::None || !row.before || !row.now)
    return {};
  QStringList was;
  if (row.before->address != row.now->address)
    was << row.before->address;
  if (row.before->mac != row.now->mac)
    was << row.before->mac;
  return kAfterAddress + QStringLiteral("was ") + was.join(u' ');
}

QStringList stringsOf(const QJsonValue &value) {
  QStringList strings;
  for (const QJsonValue &item : value.toArray())
    strings << item.toString();
  return strings;
}

} // namespace

QString changeWord(RowChange change) {
  switch (change) {
  case RowChange::New:
    return QStringLiteral("new");
  case RowChange::Gone:
    return QStringLiteral("gone");
  case RowChange::Address:
    return QStringLiteral("address");
  case RowChange::Mac:
    return QStringLiteral("mac");
  case RowChange::None:
    break;
  }
  return {};
}

QJsonObject rowObject(const ScanRow &row) {
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
  return object;
}

QByteArray formatRows(const QList<ScanRow> &rows, ScanFormat format) {
  switch (format) {
  case ScanFormat::Text: {
    QString text;
    for (const ScanRow &row : rows)
      text += textLine(row) + u'\n';
    return text.toUtf8();
  }
  case ScanFormat::Csv: {
    QString text = csvLine(kColumns);
    for (const ScanRow &row : rows)
      text += csvLine(csvFields(row));
    return text.toUtf8();
  }
  case ScanFormat::Json: {
    QJsonArray array;
    for (const ScanRow &row : rows)
      array.append(rowObject(row));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
  }
  }
  return {};
}

QByteArray formatChanges(const QList<ComparedRow> &rows, ScanFormat format) {
  switch (format) {
  case ScanFormat::Text: {
    QString text;
    for (const ComparedRow &row : rows)
      text += changeMark(row.change) + textLine(row.listed()) + wasText(row) + u'\n';
    return text.toUtf8();
  }
  case ScanFormat::Csv: {
    QStringList header = kColumns;
    header << kChange;
    for (const QString &field : kPreviousFields)
      header << kPrevious + u'_' + field;
    QString text = csvLine(header);
    for (const ComparedRow &row : rows)
      text += csvLine(csvFields(row.listed()) << changeWord(row.change) << previousValues(row));
    return text.toUtf8();
  }
  case ScanFormat::Json: {
    QJsonArray array;
    for (const ComparedRow &row : rows) {
      QJsonObject object = rowObject(row.listed());
      object.insert(kChange, changeWord(row.change));
      QJsonValue previous; // null
      if (row.before && row.now) {
        QJsonObject values;
        const QStringList texts = previousValues(row);
        for (qsizetype i = 0; i < kPreviousFields.size(); ++i)
          values.insert(kPreviousFields[i], texts[i]);
        previous = values;
      }
      object.insert(kPrevious, previous);
      array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
  }
  }
  return {};
}

std::optional<QList<ScanRow>> rowsFromJson(const QByteArray &json, QString &error) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    error = QStringLiteral("not JSON (%1 at byte %2)")
                .arg(parseError.errorString())
                .arg(parseError.offset);
    return std::nullopt;
  }
  if (!document.isArray()) {
    error = QStringLiteral("not the array of rows that --format=json writes");
    return std::nullopt;
  }
  QList<ScanRow> rows;
  qsizetype number = 0;
  for (const QJsonValue &value : document.array()) {
    ++number;
    const QJsonObject object = value.toObject();
    if (!value.isObject() || !object.value(kColumns[2]).isString()) {
      error = QStringLiteral("row %1 is no object with an address").arg(number);
      return std::nullopt;
    }
    if (object.value(kChange).toString() == changeWord(RowChange::Gone) &&
        !object.value(kPrevious).isObject())
      continue;
    ScanRow row;
    row.workgroup = object.value(kColumns[0]).toString();
    row.computer = object.value(kColumns[1]).toString();
    row.address = object.value(kColumns[2]).toString();
    row.mac = object.value(kColumns[3]).toString();
    row.vendor = object.value(kColumns[4]).toString();
    row.shares = stringsOf(object.value(kColumns[5]));
    row.foundBy = stringsOf(object.value(kColumns[6]));
    rows << row;
  }
  return rows;
}
