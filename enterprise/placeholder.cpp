// enterprise stand-ins
