// A program that carries the version note, for the version reader's test.
int main() {
  return 0;
}
