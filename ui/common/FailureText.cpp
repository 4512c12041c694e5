#include "FailureText.h"

#include <QFile>
#include <QFileInfo>

namespace tessaline {

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
        return QStringLiteral("«%1»: impossibile scrivere il file (%2).")
            .arg(name, QString::fromStdString(failure.detail));
    case FailureKind::Cancelled:
        return QStringLiteral("«%1»: non convertito, operazione interrotta.").arg(name);
    }
    return name;
}

} // namespace tessaline
