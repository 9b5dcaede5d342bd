#pragma once
// The system's text is cp1251 bytes; Qt wants Unicode. Every caption and message crosses here.
#include <QString>
#include <string>
#include <string_view>

QString ToQString(std::string_view cp1251);
std::string FromQString(const QString& text);
