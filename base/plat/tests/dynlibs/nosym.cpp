// A shared library that opens but lacks the symbol the tests look for.
extern "C" int dynfnOther()
{
  return -1;
}
