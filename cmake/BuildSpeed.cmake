# What keeps a build from scratch cheap: ccache when installed, precompiled headers shared by
# every target of a kind, and unity builds that compile a handful of sources at once.

# ccache, unless the developer chose a launcher. The base folder makes the cache's keys
# independent of where the clone lies, so a fresh clone reuses what an earlier one compiled.
find_program(ORVELAN_CCACHE ccache)
if(ORVELAN_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_CXX_COMPILER_LAUNCHER env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        CCACHE_NOHASHDIR=1 ${ORVELAN_CCACHE})
endif()

option(ORVELAN_FAST_BUILD "Precompiled headers and unity builds" ON)

# The headers nearly every source includes, by what a target links.
set(ORVELAN_PCH_CORE
    <algorithm> <array> <functional> <memory> <optional> <vector>
    <QByteArray> <QByteArrayView> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QJsonArray>
    <QJsonDocument> <QJsonObject> <QList> <QObject> <QString> <QStringList>)
set(ORVELAN_PCH_WIDGETS ${ORVELAN_PCH_CORE}
    <QApplication> <QKeyEvent> <QLabel> <QLineEdit> <QPainter> <QPushButton> <QWidget>)

# orvelan_fast_build(TARGET [NO_UNITY] [UNITY_BATCH N] [PCH core|widgets|REUSE other-target])
function(orvelan_fast_build target)
    if(NOT ORVELAN_FAST_BUILD)
        return()
    endif()
    cmake_parse_arguments(ARG "NO_UNITY" "UNITY_BATCH;PCH;REUSE" "" ${ARGN})
    if(NOT ARG_UNITY_BATCH)
        set(ARG_UNITY_BATCH 8)
    endif()
    if(NOT ARG_NO_UNITY)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON
            UNITY_BUILD_BATCH_SIZE ${ARG_UNITY_BATCH} UNITY_BUILD_MODE BATCH)
    endif()
    if(ARG_REUSE)
        target_precompile_headers(${target} REUSE_FROM ${ARG_REUSE})
    elseif(ARG_PCH STREQUAL "widgets")
        target_precompile_headers(${target} PRIVATE ${ORVELAN_PCH_WIDGETS})
    elseif(ARG_PCH STREQUAL "core")
        target_precompile_headers(${target} PRIVATE ${ORVELAN_PCH_CORE})
    endif()
endfunction()
