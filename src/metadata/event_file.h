#pragma once
// The event file: one race meeting's name, day and 100 heats of 8 boxes, as an XML document
// stored in ISO-8859-1. No widgets here; the event window drives it.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

constexpr int16_t Event_Heat_Count = 100;
constexpr int16_t Event_Box_Count = 8;

class Event_Document {
public:
  Event_Document();
  ~Event_Document();
  Event_Document(const Event_Document&) = delete;
  Event_Document& operator=(const Event_Document&) = delete;
  Event_Document(Event_Document&&) noexcept;
  Event_Document& operator=(Event_Document&&) noexcept;

  // A new event: every element empty, the comment carrying the creation time.
  void Create(const QDateTime& created);
  // No nodes at all; an empty document is never saved.
  void Clear();
  bool Empty() const;

  // Replaces the document by the parsed bytes. On failure the document stays as it was and
  // the parser's reason (with the line) comes back.
  std::optional<QString> Load(const QByteArray& bytes);
  // Whether the root is an event file's (other XML would pass the parser).
  bool Is_Event() const;
  // The file's bytes: Latin-1, each top-level node on a line of its own.
  QByteArray Bytes() const;

  // Element texts. Reading or writing an element that is not there throws Dora_Error.
  QString Single(const char* element) const;
  void set_Single(const char* element, const QString& text);
  QString Heat_Text(int16_t heat, const char* element) const;
  void set_Heat_Text(int16_t heat, const char* element, const QString& text);
  QString Dog_Name(int16_t heat, int16_t box) const;
  void set_Dog_Name(int16_t heat, int16_t box, const QString& name);

private:
  pugi::xml_node require(const std::string& xpath) const;
  std::unique_ptr<pugi::xml_document> doc_;
};

// The event files folder: program().Event_Files_Folder, or the data folder's own when start-up
// has not set it. Ends in '/'.
QString Event_Files_Folder();

// folder + event name + day + ".xml". In the file name (never the folder) ":", "-" and ","
// become "_", and so do path separators, so a name cannot lead out of the folder.
QString Event_File_Name(const QString& folder, const QString& event_name, const QString& day);

// Usable means not empty and readable through to its end.
bool Event_File_Usable(const QString& path);
// Read-only when its owner may not write it.
bool Event_File_Read_Only(const QString& path);
// The whole file; Dora_Error 53 when it is missing, 75 when it cannot be read.
QByteArray Read_Event_File(const QString& path);
// Writes through a temporary beside the file and renames it over, so a failed write leaves
// the previous file whole. Dora_Error 75 on failure.
void Write_Event_File(const QString& path, const QByteArray& bytes);

// Importing dog names from a text file, decided over the whole text before anything is written.
struct Dog_Import_Step {
  int16_t heat = 0;
  int16_t box = 0; // 0: the step only selects the heat
  QString name;
};

struct Dog_Import_Plan {
  enum class Ending { Done, Invalid_Format, Too_Many_Boxes };
  std::vector<Dog_Import_Step> steps;
  Ending ending = Ending::Done;
  int32_t imported = 0;
  // Done: "<n> Dogs imported!"; Invalid_Format: the message; Too_Many_Boxes: the failure text.
  QString message;
};

// Lines with "Start" select the heat numbered from their character 6 on; every other line counts a box
// and, when not blank, names its dog.
Dog_Import_Plan Plan_Dog_Import(const QString& text);
// UTF-8 when the bytes are valid UTF-8, else Latin-1 (text files from older machines).
QString Decode_Import_Text(const QByteArray& bytes);
// The whole-number value of the leading number of a text, blanks ignored; 0 when none.
int32_t Leading_Whole_Number(const QString& text);
