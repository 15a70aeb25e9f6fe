#pragma once
// The steward's key: an Ed25519 key pair in the data folder that signs declared results. It is
// made on first use; the private part is readable by its owner only, and one that others could
// read is not used. Keys and signatures travel as lower-case hex.
#include <QByteArray>
#include <QString>
#include <optional>

QString Steward_Private_Key_Path(); // empty without a data folder
QString Steward_Public_Key_Path();

struct Steward_Key {
  QByteArray secret;     // libsodium's 64-byte secret key
  QByteArray public_key; // 32 bytes
};
// The key, made when there is none yet. nullopt, with `why`, when it cannot be made or read, or
// its private part is open to others.
std::optional<Steward_Key> Load_Steward_Key(QString& why);

// Ed25519 signature of `message`, hex.
QString Sign_Message(const QByteArray& message, const Steward_Key& key);
// True when `signature_hex` is `public_key_hex`'s signature of `message`.
bool Signature_Holds(const QByteArray& message, const QString& signature_hex, const QString& public_key_hex);
// A public key as given to doravent-qn3: 64 hex digits, or a file holding them. Empty when
// neither.
QString Read_Public_Key(const QString& given);
