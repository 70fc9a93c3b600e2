#pragma once

#include "audio/TACSStreamedOutput.h"

#include <QString>

enum TFileOutputMode { foRewrite = 0, foAppend = 1 };

// A sink that writes a file.
class TACSFileOut : public TACSStreamedOutput
{
public:
    explicit TACSFileOut(QObject* owner = nullptr);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    TFileOutputMode FileMode() const { return m_fileMode; }
    // The base keeps foRewrite whatever it is given; sinks that can append override this.
    virtual void SetFileMode(TFileOutputMode mode);

protected:
    QString m_fileName;
    TFileOutputMode m_fileMode = foRewrite;
};
