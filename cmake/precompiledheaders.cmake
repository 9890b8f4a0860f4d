# SPDX-License-Identifier: MIT
# Precompiled headers. Most of the time of a clean build went into parsing the same Qt headers
# again for every file: each library precompiles them once for its own files, and the tests share
# one precompiled set for the tests that use widgets and one for those that do not.
#
# gcc takes a precompiled header only where it was made with the macros the file has, and
# otherwise parses the headers as usual; SCALECHECK_PCH=OFF builds without, to see that every file
# includes what it uses.
option(SCALECHECK_PCH "Precompile the Qt headers that nearly every file includes" ON)

set(SCALECHECK_PCH_CORE
    <QByteArray> <QCoreApplication> <QDateTime> <QElapsedTimer> <QHash> <QList> <QMap>
    <QObject> <QPointer> <QString> <QStringList> <QTimer> <QVariant>
    <algorithm> <chrono> <functional> <memory> <optional> <vector>)
set(SCALECHECK_PCH_WIDGETS ${SCALECHECK_PCH_CORE}
    <QApplication> <QComboBox> <QLabel> <QLineEdit> <QMessageBox> <QPainter> <QPushButton>
    <QWidget>)

# scalecheck_precompile(TARGET CORE|WIDGETS): the target precompiles that set for its own files.
function(scalecheck_precompile target kind)
    if(SCALECHECK_PCH)
        target_precompile_headers(${target} PRIVATE ${SCALECHECK_PCH_${kind}})
    endif()
endfunction()
