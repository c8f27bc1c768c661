# Stands in for the Python package of Piper, whose server module is http_server.
