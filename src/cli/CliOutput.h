#pragma once

#include <QString>
#include <memory>
#include <optional>

class QIODevice;
class QSaveFile;

// Where orlevan-cli's results go: standard output, or a file that is made beside its place before the first
// question and takes the place of the old one only when the run ends. Where the folder cannot be written but the
// file can, the file is written in place.
class CliOutput final
{
public:
    CliOutput(QIODevice* standardOutput, const QString& path);
    ~CliOutput();

    // The message when the file cannot be made.
    std::optional<QString> open();
    // The message when the bytes could not all be written (a full disk, /dev/full).
    std::optional<QString> write(const QByteArray& bytes);
    // The reader went away: standard output is a pipe nobody reads any more.
    bool readerGone() const { return m_readerGone; }
    // Puts the file in its place; the message when that failed.
    std::optional<QString> finish();
    // Leaves the old file as it was.
    void abandon();

private:
    QIODevice* m_standardOutput;
    const QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    bool m_readerGone = false;
};
