#include "timing/steward_key.h"

#include "platform/durable_file.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sodium_ready() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = sodium_init() >= 0; });
  return ready;
}

bool is_hex(const QString& text, qsizetype digits) {
  static const QRegularExpression hex(QStringLiteral("^[0-9a-f]*$"));
  return text.size() == digits && hex.match(text).hasMatch();
}

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString system_text() { return QString::fromLocal8Bit(std::strerror(errno)); }

// The whole small file, without following a link; nullopt with `why` otherwise.
std::optional<QByteArray> read_small(const QString& path, QString& why, bool owner_only) {
  const Unique_Fd fd(::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) {
    why = path + QStringLiteral(": ") + system_text();
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 4096) {
    why = path + QStringLiteral(" is no key file");
    return std::nullopt;
  }
  if (owner_only && ((st.st_mode & 077) != 0 || st.st_uid != ::geteuid())) {
    why = path + QStringLiteral(" can be read by others than its owner; it is not used");
    return std::nullopt;
  }
  QByteArray bytes(static_cast<qsizetype>(st.st_size), '\0');
  const ssize_t got = ::read(fd.get(), bytes.data(), static_cast<size_t>(bytes.size()));
  if (got != static_cast<ssize_t>(bytes.size())) {
    why = path + QStringLiteral(": cannot be read");
    return std::nullopt;
  }
  return bytes;
}

// A new file holding `text`, on the disk before it is used.
bool write_new(const QString& path, const QByteArray& text, mode_t mode, QString& why) {
  Unique_Fd fd(::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!fd.ok()) {
    why = path + QStringLiteral(": ") + system_text();
    return false;
  }
  if (::write(fd.get(), text.constData(), static_cast<size_t>(text.size())) != text.size() || ::fsync(fd.get()) != 0 ||
      !fd.close()) {
    why = path + QStringLiteral(": ") + system_text();
    ::unlink(native(path).constData());
    return false;
  }
  return true;
}

} // namespace

QString Steward_Private_Key_Path() {
  const QString folder = Local_AppData_Folder();
  return folder.isEmpty() ? QString() : folder + QStringLiteral("Doravent steward key");
}

QString Steward_Public_Key_Path() {
  const QString secret = Steward_Private_Key_Path();
  return secret.isEmpty() ? QString() : secret + QStringLiteral(".pub");
}

std::optional<Steward_Key> Load_Steward_Key(QString& why) {
  if (!sodium_ready()) {
    why = QStringLiteral("the signature library cannot start");
    return std::nullopt;
  }
  const QString secret_path = Steward_Private_Key_Path();
  if (secret_path.isEmpty()) {
    why = QStringLiteral("there is no data folder for the steward's key");
    return std::nullopt;
  }
  unsigned char seed[crypto_sign_SEEDBYTES];
  struct stat st {};
  if (::lstat(native(secret_path).constData(), &st) != 0) {
    if (errno != ENOENT) {
      why = secret_path + QStringLiteral(": ") + system_text();
      return std::nullopt;
    }
    randombytes_buf(seed, sizeof seed);
    const QByteArray seed_hex = QByteArray(reinterpret_cast<const char*>(seed), sizeof seed).toHex();
    if (!write_new(secret_path, seed_hex + '\n', 0600, why)) return std::nullopt;
    try {
      Sync_Folder(QFileInfo(secret_path).absolutePath());
    } catch (const std::exception& failure) {
      why = QString::fromStdString(failure.what());
      return std::nullopt;
    }
  }
  const auto text = read_small(secret_path, why, true);
  if (!text) return std::nullopt;
  const QString seed_hex = QString::fromLatin1(text->trimmed());
  if (!is_hex(seed_hex, 2 * crypto_sign_SEEDBYTES)) {
    why = secret_path + QStringLiteral(" holds no key");
    return std::nullopt;
  }
  const QByteArray seed_bytes = QByteArray::fromHex(seed_hex.toLatin1());
  std::memcpy(seed, seed_bytes.constData(), sizeof seed);
  Steward_Key key;
  key.secret.resize(crypto_sign_SECRETKEYBYTES);
  key.public_key.resize(crypto_sign_PUBLICKEYBYTES);
  crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(key.public_key.data()),
                           reinterpret_cast<unsigned char*>(key.secret.data()), seed);
  sodium_memzero(seed, sizeof seed);
  // The public part beside it, for whoever checks the signatures.
  const QString public_path = Steward_Public_Key_Path();
  if (::lstat(native(public_path).constData(), &st) != 0) {
    QString ignored;
    write_new(public_path, key.public_key.toHex() + '\n', 0644, ignored);
  }
  return key;
}

QString Sign_Message(const QByteArray& message, const Steward_Key& key) {
  QByteArray signature(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       static_cast<unsigned long long>(message.size()),
                       reinterpret_cast<const unsigned char*>(key.secret.constData()));
  return QString::fromLatin1(signature.toHex());
}

bool Signature_Holds(const QByteArray& message, const QString& signature_hex, const QString& public_key_hex) {
  if (!sodium_ready() || !is_hex(signature_hex, 2 * crypto_sign_BYTES) ||
      !is_hex(public_key_hex, 2 * crypto_sign_PUBLICKEYBYTES))
    return false;
  const QByteArray signature = QByteArray::fromHex(signature_hex.toLatin1());
  const QByteArray key = QByteArray::fromHex(public_key_hex.toLatin1());
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                     reinterpret_cast<const unsigned char*>(message.constData()),
                                     static_cast<unsigned long long>(message.size()),
                                     reinterpret_cast<const unsigned char*>(key.constData())) == 0;
}

QString Read_Public_Key(const QString& given) {
  const QString text = given.trimmed().toLower();
  if (is_hex(text, 2 * crypto_sign_PUBLICKEYBYTES)) return text;
  QString why;
  const auto bytes = read_small(given, why, false);
  if (!bytes) return {};
  const QString key = QString::fromLatin1(bytes->trimmed()).toLower();
  return is_hex(key, 2 * crypto_sign_PUBLICKEYBYTES) ? key : QString();
}
