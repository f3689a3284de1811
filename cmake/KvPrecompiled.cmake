# Precompiled Qt and standard headers, so that a translation unit parses the
# few hundred thousand lines of Qt it includes once per target instead of
# once per file. Test programs, which all share one set of flags, share one
# header as well.
#
#   kv_precompile(<target> CORE|WIDGETS|TEST [SHARED])
#
# SHARED targets of one kind build the header once, in the first of them.
# The compiler refuses a header built with a macro it uses defined otherwise
# (QT_TESTCASE_BUILDDIR differs between folders, for one), and -Winvalid-pch
# turns that into an error: a target that cannot share is declared without
# SHARED.
#
# With -Winvalid-pch (and -Werror in test builds) a header that the compiler
# would silently skip fails the build instead. The header checks of
# KvChecks.cmake never use one: a header must bring its own includes.

option(KV_PRECOMPILE "Precompile the common Qt and standard headers" ON)

set(KV_PCH_CORE
  <algorithm> <array> <cmath> <cstring> <functional> <memory> <optional> <vector>
  <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QList> <QObject> <QString>
  <QStringList> <QTimer> <QVariant>)
set(KV_PCH_WIDGETS ${KV_PCH_CORE}
  <QApplication> <QCheckBox> <QComboBox> <QGroupBox> <QHBoxLayout> <QLabel> <QLineEdit>
  <QPainter> <QPushButton> <QRadioButton> <QTabWidget> <QVBoxLayout> <QWidget>)
set(KV_PCH_TEST ${KV_PCH_WIDGETS} <QSignalSpy> <QTemporaryDir> <QTest>)

function(kv_precompile target kind)
  if(NOT KV_PRECOMPILE)
    return()
  endif()
  if(ARGV2 STREQUAL "SHARED")
    get_property(donor GLOBAL PROPERTY KV_PCH_${kind}_DONOR)
    if(donor)
      target_precompile_headers(${target} REUSE_FROM ${donor})
      target_compile_options(${target} PRIVATE -Winvalid-pch)
      return()
    endif()
    set_property(GLOBAL PROPERTY KV_PCH_${kind}_DONOR ${target})
  endif()
  target_precompile_headers(${target} PRIVATE ${KV_PCH_${kind}})
  target_compile_options(${target} PRIVATE -Winvalid-pch)
endfunction()
