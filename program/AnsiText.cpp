#include "AnsiText.h"

#include <windows.h>

#include <cstring>

QString fromAnsi(const char *text, qsizetype length) {
  if (text == nullptr)
    return {};
  if (length < 0)
    length = static_cast<qsizetype>(std::strlen(text));
  if (length == 0)
    return QString("");
  const int bytes = static_cast<int>(length);
  const int units = MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
  QString result(units, QChar());
  if (units > 0)
    MultiByteToWideChar(CP_ACP, 0, text, bytes, reinterpret_cast<LPWSTR>(result.data()), units);
  return result;
}

QByteArray toAnsi(const QString &text) {
  if (text.isEmpty())
    return text.isNull() ? QByteArray() : QByteArray("");
  const auto *units = reinterpret_cast<LPCWSTR>(text.utf16());
  const int count = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
  QByteArray result(bytes, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_ACP, 0, units, count, result.data(), bytes, nullptr, nullptr);
  return result;
}

QString fromAnsi(const std::string &text) {
  return fromAnsi(text.data(), static_cast<qsizetype>(text.size()));
}

std::string copyResult(const char *text) {
  return text ? std::string(text) : std::string();
}
