#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QString>

class QPagedPaintDevice;

// A printed page addressed in twips (1/1440 inch) from the top left of the printable area,
// with a current position that text output moves along, as printed pages are laid out
// throughout the program. Draws on any paged device (a QPrinter, or a QPdfWriter in tests).
//
// Text is printed with its top at CurrentY. Print_Line moves to the start of the next line
// (CurrentX back to Left_Margin); Print_Text leaves CurrentX after the text.
class Page_Surface {
public:
  // Starts the document on the device, which must outlive the surface.
  // Throws Dora_Error (482) when the device cannot be opened for painting.
  explicit Page_Surface(QPagedPaintDevice& device);
  ~Page_Surface(); // ends the document if EndDoc was not called
  Page_Surface(const Page_Surface&) = delete;
  Page_Surface& operator=(const Page_Surface&) = delete;

  // Current position in twips.
  double CurrentX() const { return current_x_; }
  double CurrentY() const { return current_y_; }
  void set_CurrentX(double twips) { current_x_ = twips; }
  void set_CurrentY(double twips) { current_y_ = twips; }

  // Where Print_Line returns CurrentX to (twips, 0 unless set).
  double Left_Margin() const { return left_margin_; }
  void set_Left_Margin(double twips) { left_margin_ = twips; }

  // Printable area in twips; its top and left are 0.
  double ScaleWidth() const;
  double ScaleHeight() const;
  double ScaleTop() const { return 0; }
  double ScaleLeft() const { return 0; }
  // Whole sheet in twips.
  double Width() const;
  double Height() const;
  // Where the printable area's top left lies on the sheet, in twips.
  QPointF Printable_Origin() const;

  // Device dots per inch, and twips per device dot.
  int Device_Dpi() const { return dpi_; }
  double Twips_Per_Dot() const { return 1440.0 / dpi_; }

  QString FontName() const { return font_.family(); }
  double FontSize() const { return font_.pointSizeF(); }
  bool FontBold() const { return font_.bold(); }
  bool FontItalic() const { return font_.italic(); }
  bool FontUnderline() const { return font_.underline(); }
  void set_FontName(const QString& name);
  void set_FontSize(double points); // sizes below 1 point become 1
  void set_FontBold(bool on);
  void set_FontItalic(bool on);
  void set_FontUnderline(bool on);
  const QFont& Font() const { return font_; }

  // Colour of text and of lines drawn without their own colour.
  QColor ForeColor() const { return fore_color_; }
  void set_ForeColor(const QColor& colour) { fore_color_ = colour; }

  // Line thickness in device dots (at least 1).
  int DrawWidth() const { return draw_width_; }
  void set_DrawWidth(int dots) { draw_width_ = dots < 1 ? 1 : dots; }

  // Size of a text in the current font, in twips. A text with line breaks measures its
  // widest line and all of its lines; an empty text is one line high and 0 wide.
  double TextWidth(const QString& text) const;
  double TextHeight(const QString& text = QStringLiteral("X")) const;

  // Prints at the current position. Line breaks inside the text start new lines at Left_Margin.
  void Print_Line(const QString& text = {});
  void Print_Text(const QString& text);

  // Lines and boxes in twips; CurrentX/CurrentY move to the end point (x2, y2).
  void Line(double x1, double y1, double x2, double y2);
  void Line(double x1, double y1, double x2, double y2, const QColor& colour);
  void Box(double x1, double y1, double x2, double y2, const QColor& colour);
  void Fill_Box(double x1, double y1, double x2, double y2, const QColor& colour);

  // Draws the picture scaled into the rectangle (twips). A width or height of 0 or less takes
  // the picture's own size at the given twips per pixel (the screen's, 15 at 96 dpi). A PDF
  // holds the picture's own pixels, compressed without loss, whatever the rectangle's size.
  void PaintPicture(const QImage& picture, double x, double y, double width = 0, double height = 0,
                    double twips_per_pixel = 15.0);

  // Starts a new page; the position goes to Left_Margin at the top.
  void NewPage();
  // Ends the document so that it prints; later drawing is ignored.
  void EndDoc();
  bool Ended() const { return ended_; }

  // For drawing the surface does not cover; coordinates are device dots.
  QPainter& Painter() { return painter_; }
  double To_Dots(double twips) const { return twips * dpi_ / 1440.0; }
  double To_Twips(double dots) const { return dots * 1440.0 / dpi_; }

private:
  void print_one_line(const QString& text);
  void apply_font();

  QPagedPaintDevice& device_;
  QPainter painter_;
  QFont font_;
  QColor fore_color_ = Qt::black;
  int dpi_ = 1200;
  int draw_width_ = 1;
  double current_x_ = 0;
  double current_y_ = 0;
  double left_margin_ = 0;
  bool ended_ = false;
};
