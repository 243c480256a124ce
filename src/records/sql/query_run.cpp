#include "query_run.h"

#include <QByteArray>
#include <QString>
#include <type_traits>

namespace records::sql {

QVariant boundValue(const SqlValue& value) {
    return std::visit(
        [](const auto& v) -> QVariant {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::int64_t>) {
                return QVariant::fromValue<qlonglong>(v);
            } else {
                return QString::fromStdString(v);
            }
        },
        value);
}

bool runStatement(QSqlQuery& query, const Statement& statement) {
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromStdString(statement.sql))) {
        return false;
    }
    for (const SqlValue& value : statement.values) {
        query.addBindValue(boundValue(value));
    }
    return query.exec();
}

std::string textOf(const QVariant& value) {
    if (value.isNull()) {
        return {};
    }
    if (value.typeId() == QMetaType::QByteArray) {
        const auto* bytes = static_cast<const QByteArray*>(value.constData());
        return std::string(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    }
    return value.toString().toStdString();
}

}  // namespace records::sql
