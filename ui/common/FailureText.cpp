#include "FailureText.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace tessaline {
namespace {

// The reason of a write the system refused, where its errno says more than its words.
QString writeFailureText(const QString& name, const Failure& failure)
{
    switch (failure.error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("«%1»: impossibile scrivere il file, disco pieno.").arg(name);
    case EFBIG:
        return QStringLiteral("«%1»: impossibile scrivere il file, troppo grande per il disco.")
            .arg(name);
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("«%1»: impossibile scrivere il file, permesso negato.").arg(name);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("«%1»: impossibile scrivere il file, la cartella non esiste.")
            .arg(name);
    default:
        return QStringLiteral("«%1»: impossibile scrivere il file (%2).")
            .arg(name, QString::fromStdString(failure.detail));
    }
}

} // namespace

QString displayName(const std::string& path)
{
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
}

QString failureText(const Failure& failure)
{
    const QString name = displayName(failure.file);
    switch (failure.kind) {
    case FailureKind::NotFound:
        return QStringLiteral("«%1»: il file non esiste più.").arg(name);
    case FailureKind::Unreadable:
        return QStringLiteral("«%1»: il file non si può leggere (permessi insufficienti).").arg(name);
    case FailureKind::NotAPicture:
        return QStringLiteral("«%1»: non è un'immagine GIF, JPEG o bitmap.").arg(name);
    case FailureKind::Corrupt:
        return QStringLiteral("«%1»: l'immagine è danneggiata o incompleta.").arg(name);
    case FailureKind::TooLarge:
        return QStringLiteral("«%1»: l'immagine è troppo grande (%2 pixel); il limite è 30000 pixel "
                              "per lato e 500 megapixel.")
            .arg(name, QString::fromStdString(failure.detail));
    case FailureKind::WriteFailed:
        return writeFailureText(name, failure);
    case FailureKind::BadQuality:
        return QStringLiteral("«%1»: la qualità JPEG deve essere un numero intero da 1 a 100.")
            .arg(name);
    case FailureKind::Cancelled:
        return QStringLiteral("«%1»: non convertito, operazione interrotta.").arg(name);
    }
    return name;
}

QString runProblemText(RunProblem problem)
{
    switch (problem) {
    case RunProblem::NoPictures:
        return QStringLiteral("Nella cartella di origine non ci sono immagini da convertire.");
    case RunProblem::NoDestination:
        return QStringLiteral("Scegli la cartella di destinazione.");
    case RunProblem::DestinationMissing:
        return QStringLiteral("La cartella di destinazione non esiste.");
    case RunProblem::DestinationNotAFolder:
        return QStringLiteral("La destinazione indicata non è una cartella.");
    case RunProblem::DestinationIsSource:
        return QStringLiteral("La cartella di destinazione è quella di origine: scegline un'altra, "
                              "così le immagini originali non vengono sostituite.");
    case RunProblem::DestinationNotWritable:
        return QStringLiteral("Nella cartella di destinazione non si può scrivere (permesso negato "
                              "o disco di sola lettura).");
    case RunProblem::BadQuality:
        return QStringLiteral("La qualità JPEG deve essere un numero intero da 1 a 100.");
    }
    return {};
}

} // namespace tessaline
