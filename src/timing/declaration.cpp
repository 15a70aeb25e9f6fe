#include "timing/declaration.h"

#include "metadata/xml_header.h"
#include "recording/file_digest.h"
#include "timing/result_state.h"
#include "timing/steward_key.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {

std::optional<QJsonObject> Parse_Object(const QByteArray& text) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  return doc.object();
}

std::optional<QJsonObject> Declared_Object(const Cls_XML_header& header) {
  const QString text = header.Dora_Declaration();
  if (text.isEmpty()) return std::nullopt;
  return Parse_Object(text.toLatin1());
}

// The row fields a declaration freezes: everything but the dogs' names.
const char* const Frozen_Fields[] = {"rank",     "box",       "time",           "time_ms",  "split",
                                     "split_ms", "dead_heat", "dead_heat_mark", "distance", "code"};

} // namespace

Result_Settings Result_Settings_For(const Cls_XML_header& header, int32_t live_box_delay_ms,
                                    const Distance_Rules& live_rules) {
  Result_Settings settings{live_box_delay_ms, live_rules, false};
  const auto declared = Declared_Object(header);
  if (!declared) return settings;
  settings.frozen = true;
  settings.box_delay_ms = declared->value(QStringLiteral("box_delay_ms")).toInt(live_box_delay_ms);
  if (const auto s = Positive_Setting_Value(declared->value(QStringLiteral("seconds_per_length")).toString()))
    settings.rules.seconds_per_length = *s;
  if (const auto d = Positive_Setting_Value(declared->value(QStringLiteral("dis_limit_lengths")).toString()))
    settings.rules.dis_limit_lengths = *d;
  return settings;
}

Published_Result Current_Result(const Cls_XML_header& header, const QString& recording_path,
                                const Result_Settings& settings) {
  Published_Result result = Publish_Result(header, settings.box_delay_ms, settings.rules);
  result.frame_sha256 = Frame_Data_SHA256_Hex(recording_path);
  return result;
}

QString Freeze_Declaration(Cls_XML_header& header, const QString& recording_path, const Result_Settings& settings) {
  const QByteArray canonical = Canonical_Json(Result_Object(Current_Result(header, recording_path, settings)));
  header.set_Dora_Declaration(QString::fromLatin1(canonical));
  QString why;
  const std::optional<Steward_Key> key = Load_Steward_Key(why);
  if (!key) {
    header.set_Dora_Declaration_Signature({});
    header.set_Dora_Declaration_Key({});
    return why;
  }
  header.set_Dora_Declaration_Signature(Sign_Message(canonical, *key));
  header.set_Dora_Declaration_Key(QString::fromLatin1(key->public_key.toHex()));
  return {};
}

void Clear_Declaration(Cls_XML_header& header) {
  // Only a header that has one is touched: one that never had a declaration stays as it was.
  if (!header.Dora_Declaration().isEmpty()) header.set_Dora_Declaration({});
  if (!header.Dora_Declaration_Signature().isEmpty()) header.set_Dora_Declaration_Signature({});
  if (!header.Dora_Declaration_Key().isEmpty()) header.set_Dora_Declaration_Key({});
}

QString Declaration_Fault(const Cls_XML_header& header) {
  const QString text = header.Dora_Declaration();
  if (text.isEmpty()) return {};
  const auto declared = Parse_Object(text.toLatin1());
  if (!declared || Canonical_Json(*declared) != text.toLatin1()) return QStringLiteral("it is damaged");
  const QString signature = header.Dora_Declaration_Signature();
  if (!signature.isEmpty() && !Signature_Holds(text.toLatin1(), signature, header.Dora_Declaration_Key()))
    return QStringLiteral("its signature does not hold");
  const QString state = Result_State_Text(Result_State_Of(header.Dora_Result_State()));
  if (declared->value(QStringLiteral("state")).toString() != state)
    return QStringLiteral("it declares the result ") + declared->value(QStringLiteral("state")).toString() +
           QStringLiteral(", the recording holds it ") + state;
  if (declared->value(QStringLiteral("recording_id")).toString() != header.Recording_ID())
    return QStringLiteral("it names another recording");
  const Result_Settings settings = Result_Settings_For(header, 0, {});
  Published_Result now;
  try {
    now = Publish_Result(header, settings.box_delay_ms, settings.rules);
  } catch (const std::exception&) {
    return QStringLiteral("the recording's results cannot be read");
  }
  const QJsonArray frozen_rows = declared->value(QStringLiteral("rows")).toArray();
  const QJsonArray rows = Result_Object(now).value(QStringLiteral("rows")).toArray();
  if (frozen_rows.size() != rows.size()) return QStringLiteral("its rows are not the recording's");
  for (qsizetype r = 0; r < rows.size(); ++r) {
    const QJsonObject was = frozen_rows.at(r).toObject();
    const QJsonObject is = rows.at(r).toObject();
    for (const char* field : Frozen_Fields) {
      const QString key = QString::fromLatin1(field);
      if (was.value(key) == is.value(key)) continue;
      return QStringLiteral("row %1 (box %2) %3 is %4 in the recording, the declaration says %5")
          .arg(r + 1)
          .arg(is.value(QStringLiteral("box")).toInt())
          .arg(key, is.value(key).toVariant().toString(), was.value(key).toVariant().toString());
    }
  }
  return {};
}

QByteArray Scoreboard_Json_Of(const Cls_XML_header& header, const Published_Result& current) {
  if (const auto declared = Declared_Object(header))
    return Scoreboard_Json(*declared, header.Dora_Declaration_Signature(), header.Dora_Declaration_Key());
  return Scoreboard_Json(Result_Object(current), {}, {});
}

Result_File_Check Check_Result_File(const QByteArray& bytes, const QString& public_key_hex) {
  Result_File_Check check;
  const auto file = Parse_Object(bytes);
  if (!file || !file->value(QStringLiteral("result")).isObject()) {
    check.text = QStringLiteral("not a result file");
    return check;
  }
  const QJsonObject result = file->value(QStringLiteral("result")).toObject();
  const QString signature = file->value(QStringLiteral("signature")).toString();
  const QString named_key = file->value(QStringLiteral("public_key")).toString();
  const QString key = public_key_hex.isEmpty() ? named_key : public_key_hex;
  const QString what = result.value(QStringLiteral("state")).toString() + QStringLiteral(" result of ") +
                       result.value(QStringLiteral("event")).toString() + QStringLiteral(", heat ") +
                       result.value(QStringLiteral("heat")).toString() + QStringLiteral(", recording ") +
                       result.value(QStringLiteral("recording_id")).toString() + QStringLiteral(", frames SHA-256 ") +
                       result.value(QStringLiteral("frame_sha256")).toString();
  if (signature.isEmpty()) {
    check.text =
        QStringLiteral("no signature: the result is not declared, or was declared without the steward's key (") + what +
        QStringLiteral(")");
    return check;
  }
  if (!Signature_Holds(Canonical_Json(result), signature, key)) {
    check.text = QStringLiteral("the signature does not hold: the result was changed after it was signed, or another "
                                "key signed it (") +
                 what + QStringLiteral(")");
    return check;
  }
  check.holds = true;
  check.text = QStringLiteral("the signature holds: ") + what + QStringLiteral(", signed by key ") + key +
               (public_key_hex.isEmpty() ? QStringLiteral(" (the key the file names: compare it with the steward's)")
                                         : QString());
  return check;
}
