// A shared library for the run-time binding tests: which file was bound is
// told by the value it returns.
extern "C" int dynfnValue()
{
  return DYNFN_VALUE;
}
