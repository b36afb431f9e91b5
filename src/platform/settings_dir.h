#pragma once
#include <QString>

namespace kav {

// The directory that stands in for the Windows directory: home of KAVRIN.INI and Temp/.
// $KAVRIN_HOME when set, else $XDG_CONFIG_HOME/kavrin, else ~/.config/kavrin.
// Created (mode 0700) when missing.
QString settingsDirectory();

// settingsDirectory() + "/KAVRIN.INI".
QString configurationFilePath();

} // namespace kav
