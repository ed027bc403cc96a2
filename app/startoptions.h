// The application's command line, read before any window exists, so that
// --help, --version and a mistyped option are answered on the terminal even
// where there is no display.
#pragma once

#include <QString>
#include <QStringList>

namespace fennmere {

struct CStartOptions {
    enum class EAction {
        Run,      // start the application
        Help,     // print m_strText on stdout, exit 0
        Version,  // print m_strText on stdout, exit 0
        Refuse,   // print m_strText on stderr, exit 2
    };
    EAction m_action = EAction::Run;
    QString m_strText;
    // --port P: the communication panel's port at start, for example the
    // logger simulator's pseudo-terminal.
    QString m_strPort;
    // --sensors FILE: the sensor definition file read at every New instead
    // of "sensor.ini" in the current directory.
    QString m_strSensors;
    // The setup file to open, if any.
    QStringList m_files;
    // The program name and the options Qt itself reads (-platform, -style,
    // ...), for QApplication.
    QStringList m_qtArguments;
};

// Reads arguments (the program name first).
CStartOptions ReadStartOptions(const QStringList& arguments);

}  // namespace fennmere
