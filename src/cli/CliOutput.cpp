#include "cli/CliOutput.h"

#include <QSaveFile>

#include <cerrno>

CliOutput::CliOutput(QIODevice* standardOutput, const QString& path) : m_standardOutput(standardOutput), m_path(path) {}

CliOutput::~CliOutput() = default;

std::optional<QString> CliOutput::open()
{
    if (m_path.isEmpty())
        return std::nullopt;
    m_file = std::make_unique<QSaveFile>(m_path);
    m_file->setDirectWriteFallback(true);
    if (m_file->open(QIODevice::WriteOnly))
        return std::nullopt;
    const QString error = m_file->errorString();
    m_file.reset();
    return QStringLiteral("The results cannot be written to %1: %2.").arg(m_path, error);
}

std::optional<QString> CliOutput::write(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    QIODevice* device = m_file ? static_cast<QIODevice*>(m_file.get()) : m_standardOutput;
    errno = 0;
    if (device->write(bytes) == bytes.size() && (!m_file || m_file->flush()))
        return std::nullopt;
    m_readerGone = !m_file && errno == EPIPE;
    const QString where = m_file ? m_path : QStringLiteral("standard output");
    return QStringLiteral("The results could not be written to %1: %2.").arg(where, device->errorString());
}

std::optional<QString> CliOutput::finish()
{
    if (!m_file)
        return std::nullopt;
    const bool committed = m_file->commit();
    const QString error = m_file->errorString();
    m_file.reset();
    if (committed)
        return std::nullopt;
    return QStringLiteral("The results could not be written to %1: %2.").arg(m_path, error);
}

void CliOutput::abandon()
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
}
