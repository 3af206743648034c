// The program a person starts: the application object and the main window.
#include "app/tavrel_application.h"
#include "app/tform45.h"

int main(int argc, char** argv) {
  tavrel::TavrelApplication app(argc, argv);
  tavrel::Tform45 window;
  window.show();
  return app.exec();
}
