#pragma once
// A scratch folder for one test, removed afterwards. With pointConfig set,
// TALVEX_CONFIG_DIR names it while the object lives, so the settings store,
// the data folder and the documents folder of the program all land there.
#include <QString>
#include <QTemporaryDir>

namespace tvtest {

class ScratchDir {
public:
    explicit ScratchDir(bool pointConfig = true);
    ~ScratchDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_pointed;
    QByteArray m_old;
    bool m_hadOld = false;
};

} // namespace tvtest
